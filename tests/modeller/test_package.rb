# frozen_string_literal: true

# The .rbz as the modeller installs it, loaded with the API double:
#   VISTREL_RBZ=<build>/vistrel_exporter.rbz ruby tests/modeller/test_package.rb
require 'fileutils'
require 'minitest/autorun'
require 'tmpdir'
require_relative 'models'

class PackageTest < Minitest::Test
  ROOT = Dir.mktmpdir('vistrel-package')
  PACKAGE = File.join(ROOT, 'vistrel_exporter')
  SLOT = "#{RUBY_PLATFORM}/#{RUBY_VERSION[/\A\d+\.\d+/]}"
  Minitest.after_run { FileUtils.remove_entry(ROOT) }

  # Unpacks into a plug-ins folder and loads it as the modeller does, first with its libraries
  # moved away: what it said then, and what it put in the menu.
  WITHOUT_LIBRARY = begin
    rbz = File.expand_path(ENV.fetch('VISTREL_RBZ'))
    system({ 'LD_PRELOAD' => nil }, ENV.fetch('CMAKE_COMMAND', 'cmake'), '-E', 'tar', 'xf', rbz, # hangs with it
           chdir: ROOT, exception: true)
    $LOAD_PATH.unshift(ROOT)
    File.rename("#{PACKAGE}/lib", "#{PACKAGE}/off")
    require 'vistrel_exporter'
    require Sketchup.extensions.first.first.path
    [UI.messages.dup, UI.menu('Extensions').items.dup].tap { File.rename("#{PACKAGE}/off", "#{PACKAGE}/lib") }
  end
  load "#{PACKAGE}/loader.rb"

  def test_package_holds_what_it_loads
    extension, at_start = Sketchup.extensions.first
    assert_equal ['Vistrel Exporter', '1.0.0', 'vistrel_exporter/loader', true],
                 [extension.name, extension.version, extension.path, at_start]
    %w[vistrel_sketchup_plugin vistrel_instancing].each { |name| assert_includes $LOADED_FEATURES, "#{PACKAGE}/lib/#{SLOT}/#{name}.so" }
    commands = UI.menu('Extensions').items.last.items
    assert_equal ['Export to Vistrel…', 'Render in Vistrel', 'Vistrel test scene'], commands.map(&:text)
    commands.each { |command| assert File.file?(command.small_icon), command.small_icon }
  end

  def test_missing_library_is_reported_and_installs_nothing
    message = "The Vistrel exporter has no native library for this SketchUp (#{RUBY_PLATFORM}, Ruby #{RUBY_VERSION}); " \
              'this package was built for no platform. Install the package made for this SketchUp version.'
    assert_equal [[message], []], WITHOUT_LIBRARY
    error = assert_raises(LoadError) { VistrelExporter::NativeLibrary.load("#{PACKAGE}/lib", 'x64-mingw-ucrt', '3.2.2') }
    assert_includes error.message, "(x64-mingw-ucrt, Ruby 3.2.2); this package was built for #{SLOT.sub('/', ' Ruby ')}."
  end

  # Each command with a stand-in renderer that keeps its arguments, then without a renderer.
  def test_commands
    dir = Dir.mktmpdir('run', ROOT)
    renderer = "#{dir}/renderer"
    File.write(renderer, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n")
    File.chmod(0o755, renderer)
    FileUtils.mkdir_p("#{dir}/Tavren")
    File.write("#{dir}/Tavren/Vistrel.conf", "BinName = #{renderer}\n")
    Sketchup.active_model = Models.house
    UI.save_answer = ->(name) { "#{dir}/#{name.sub('.vsf', '')}" }
    UI.messages = []
    ENV.update('XDG_CONFIG_HOME' => dir, 'XDG_CONFIG_DIRS' => dir, 'TMPDIR' => dir)
    export, render, test_scene = UI.menu('Extensions').items.last.items.map(&:block)
    export.call
    assert_match(%r{\AExported 5 groups, 7 meshes, 20 triangles to #{dir}/House.vsf in }, UI.messages.last)
    render.call
    scene = launched(renderer)
    assert_match(%r{\A#{dir}/vistrel[\w-]+/House\.vsf\z}, scene)
    assert_equal File.binread("#{dir}/House.vsf"), File.binread(scene).gsub(File.dirname(scene), dir)
    test_scene.call
    assert_equal "#{dir}/vistrel_test.vsf", launched(renderer)
    assert_includes File.binread("#{dir}/vistrel_test.vsf"), '"Square"'
    File.delete("#{dir}/Tavren/Vistrel.conf")
    render.call
    conf = "#{dir}/Tavren/Vistrel.conf"
    assert_equal ["Vistrel: renderer not configured: none of #{conf}, #{conf} exists"], UI.messages.drop(1)
  end

  # The test scene's empty first export never writes through a link planted at its path; a
  # folder there is an error in the message box.
  def test_test_scene_never_writes_through_a_link
    dir = Dir.mktmpdir('link', ROOT)
    scene = "#{dir}/vistrel_test.vsf"
    File.write("#{dir}/victim", 'precious')
    test_scene = UI.menu('Extensions').items.last.items.last.block
    ENV.update('TMPDIR' => dir, 'XDG_CONFIG_HOME' => dir, 'XDG_CONFIG_DIRS' => dir)
    [[-> { File.symlink("#{dir}/victim", scene) }, []],
     [-> { File.delete(scene) && Dir.mkdir(scene) }, ["Vistrel: cannot open test scene #{scene}: Is a directory"]]].each do |plant, messages|
      UI.messages = []
      plant.call
      test_scene.call
      assert_equal ['precious', messages], [File.read("#{dir}/victim"), UI.messages.grep_v(/not configured/)]
    end
    assert File.directory?(scene)
  end

  private

  def launched(renderer)
    50.times { File.exist?("#{renderer}.args") ? break : sleep(0.1) }
    option, scene = File.read("#{renderer}.args").lines(chomp: true)
    File.delete("#{renderer}.args")
    assert_equal '-import2', option
    scene
  end
end
