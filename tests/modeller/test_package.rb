# frozen_string_literal: true

# The .rbz as the modeller installs it, loaded with the API double:
#   VISTREL_RBZ=<build>/vistrel_exporter_for_tests.rbz ruby tests/modeller/test_package.rb
# or, already unpacked into a plug-ins folder (the Windows Ruby under Wine has no unzip):
#   VISTREL_PLUGINS=<folder> VISTREL_RENDERER_STANDIN=<program> ruby tests/modeller/test_package.rb
# The stand-in renderer writes its working folder and arguments, a line each, to the file that
# VISTREL_STANDIN_REPORT names; without one, a shell script does the same.
require 'fileutils'
require 'minitest/autorun'
require 'stringio'
require 'tmpdir'
require_relative 'models'

class PackageTest < Minitest::Test
  ROOT = Dir.mktmpdir('vistrel-package')
  PLUGINS = ENV.fetch('VISTREL_PLUGINS', ROOT)
  PACKAGE = File.join(PLUGINS, 'vistrel_exporter')
  WINDOWS = RUBY_PLATFORM.match?(/mswin|mingw/)
  LIB = 'lib [1] {a,b}' # a folder name that Dir.glob would misread
  # On Windows a file the started renderer stand-in still holds cannot be removed yet.
  Minitest.after_run { WINDOWS ? FileUtils.rm_rf(ROOT) : FileUtils.remove_entry(ROOT) }

  # Loads the package as the modeller does, after the given change to its library folder (and
  # with it undone afterwards): what it said at start, wrote to the console and put in the menu,
  # and what clicking Export said.
  def self.start(change)
    FileUtils.mv("#{PACKAGE}/lib", "#{ROOT}/lib.off")
    change.call("#{PACKAGE}/lib")
    UI.messages = []
    console = $stderr = StringIO.new
    load "#{PACKAGE}/loader.rb"
    said = UI.messages.dup
    commands = UI.menu('Extensions').items.last.items
    commands.first.block.call
    [said, console.string, commands.map(&:text), UI.messages.last]
  ensure
    $stderr = STDERR
    FileUtils.rm_rf("#{PACKAGE}/lib")
    FileUtils.mv("#{ROOT}/lib.off", "#{PACKAGE}/lib")
    $vistrel_loaded.clear # the double's file_loaded list
  end

  unless ENV['VISTREL_PLUGINS']
    system({ 'LD_PRELOAD' => nil }, ENV.fetch('CMAKE_COMMAND', 'cmake'), '-E', 'tar', 'xf', # hangs with it
           File.expand_path(ENV.fetch('VISTREL_RBZ')), chdir: ROOT, exception: true)
  end
  $LOAD_PATH.unshift(PLUGINS)
  require 'vistrel_exporter'
  require 'vistrel_exporter/native_library'
  SLOT = VistrelExporter::NativeLibrary.slot
  # Without a library, then with one that does not load.
  WITHOUT_LIBRARY = start(->(_lib) {})
  BROKEN_LIBRARY = start(lambda do |lib|
    FileUtils.mkdir_p("#{lib}/#{SLOT}")
    File.write("#{lib}/#{SLOT}/vistrel_sketchup_plugin.so", 'not a library')
  end)
  load "#{PACKAGE}/loader.rb"

  COMMANDS = ['Export to Vistrel…', 'Render in Vistrel', 'Vistrel test scene', 'Vistrel Renderer Location…'].freeze

  def test_package_holds_what_it_loads
    extension, at_start = Sketchup.extensions.first
    assert_equal ['Vistrel Exporter', '1.0.0', 'vistrel_exporter/loader', true],
                 [extension.name, extension.version, extension.path, at_start]
    %w[vistrel_sketchup_plugin vistrel_instancing].each { |name| assert_includes $LOADED_FEATURES, "#{PACKAGE}/lib/#{SLOT}/#{name}.so" }
    assert_nil VistrelExporter::NativeLibrary.problem
    commands = UI.menu('Extensions').items.last.items
    assert_equal COMMANDS, commands.map(&:text)
    commands.first(3).each do |command|
      assert File.file?(command.small_icon), command.small_icon
      assert File.file?(command.small_icon.sub(/\.svg\z/, '.pdf')), 'macOS icon'
    end
  end

  # Nothing to load, or a file that does not load: no message box, the commands all the same, the
  # reason on the console and when a command is clicked.
  def test_missing_or_broken_library_leaves_commands_that_explain
    nothing = "The Vistrel exporter has no native library for this SketchUp (#{RUBY_PLATFORM}, " \
              "Ruby #{RUBY_VERSION}). This package holds no native library: install a complete package."
    assert_equal [[], "Vistrel exporter: #{nothing}\n", COMMANDS, nothing], WITHOUT_LIBRARY
    said, console, commands, clicked = BROKEN_LIBRARY
    assert_equal [[], COMMANDS, "Vistrel exporter: #{clicked}\n"], [said, commands, console]
    assert_match(%r{\AThe\ Vistrel\ exporter\ cannot\ load\ its\ native\ library
                    \ #{Regexp.escape(PACKAGE)}/lib/#{SLOT}/vistrel_sketchup_plugin:\ .+\.\ This\ package\ works\ in:
                    \ [^\n]+\(Ruby\ #{RUBY_VERSION[/\A\d+\.\d+/]}\)\.\ Install}x, clicked)
  end

  # The library chosen for what each Ruby reports, given the libraries present.
  def test_library_choice
    windows = %w[windows/2.7/vistrel_sketchup_plugin.so windows/3.2/vistrel_sketchup_plugin.so]
    mac = %w[macos-arm64/3.2/vistrel_sketchup_plugin.bundle macos-x86_64/2.7/vistrel_sketchup_plugin.bundle]
    [ # RUBY_PLATFORM, RUBY_VERSION, files present, library chosen
      ['x64-mswin64_140', '2.7.2', windows, 'windows/2.7'],
      ['x64-mswin64_140', '3.2.2', windows + mac, 'windows/3.2'],
      ['x64-mingw32', '2.7.4', windows, 'windows/2.7'],
      ['x64-mingw-ucrt', '3.2.0', windows, 'windows/3.2'],
      ['x64-mswin64_140', '2.5.5', windows, nil],
      ['x64-mswin64_140', '3.2.2', mac, nil],
      ['arm64-darwin21', '3.2.2', windows + mac, 'macos-arm64/3.2'],
      ['x86_64-darwin20', '2.7.2', mac, 'macos-x86_64/2.7'],
      ['arm64-darwin20', '2.7.2', mac, nil],
      ['x86_64-darwin21', '3.2.2', mac, nil],
      ['x86_64-linux', '3.1.2', windows + %w[linux-x86_64/3.1/vistrel_sketchup_plugin.so], 'linux-x86_64/3.1'],
      ['java', '3.2.2', windows, nil]
    ].each do |platform, version, files, chosen|
      with_library_folder(files) do |lib|
        assert_equal [chosen && "#{lib}/#{chosen}/vistrel_sketchup_plugin"],
                     [VistrelExporter::NativeLibrary.library(lib, platform, version)], [platform, version, files].inspect
      end
    end
    assert_equal 'This package works in: SketchUp 2024 and later on macOS arm64 (Ruby 3.2); SketchUp 2021-2023 on ' \
                 'macOS x86_64 (Ruby 2.7); SketchUp 2021-2023 on Windows (Ruby 2.7); SketchUp 2024 and later on ' \
                 'Windows (Ruby 3.2). Install the package made for this SketchUp, or use a SketchUp this package ' \
                 'works in.', with_library_folder(windows + mac) { |lib| VistrelExporter::NativeLibrary.supported(lib) }
  end

  # Render and the test scene through the extension's own renderer lookup, then through the
  # program chosen with the location command; without either, the message names the command.
  def test_commands
    dir = Dir.mktmpdir('run', ROOT)
    ENV['VISTREL_STANDIN_REPORT'] = report = "#{dir}/launched.txt"
    renderer = ENV['VISTREL_RENDERER_STANDIN'] || shell_renderer(dir)
    FileUtils.mkdir_p("#{dir}/Tavren")
    File.write("#{dir}/Tavren/Vistrel.conf", "BinName = #{renderer}\n")
    ENV.update('XDG_CONFIG_HOME' => dir, 'XDG_CONFIG_DIRS' => dir, 'TMPDIR' => dir, 'TMP' => dir)
    Sketchup.active_model = Models.house
    UI.save_answer = ->(name) { "#{dir}/#{name.sub('.vsf', '')}" }
    UI.messages = []
    export, render, test_scene, location = UI.menu('Extensions').items.last.items.map(&:block)
    export.call
    assert_match(/\AExported 5 groups, 7 meshes, 20 triangles to #{Regexp.escape(dir)}.House.vsf in /, UI.messages.last)
    render.call
    first = launched(report).last
    render.call
    option, scene = launched(report).last(2)
    assert_equal ['-import2', [File.dirname(scene)]], [option, Dir.glob("#{dir}/vistrel_render/*")], 'earlier render removed'
    refute_equal first, scene
    # The same scene but for its folder, in the file's form (back slashes on Windows).
    rendered = File.binread(scene).gsub(native(File.dirname(scene)), native(dir))
    assert File.binread("#{dir}/House.vsf") == rendered, 'Render writes the scene Export writes'

    UI.open_answer = renderer
    location.call
    assert_equal renderer, Sketchup.read_default('VistrelExporter', 'RendererProgram')
    test_scene.call
    assert_equal [File.dirname(renderer), '-import2', "#{dir}/vistrel_test.vsf"], launched(report).values_at(0, 2, 3)
    assert_includes File.binread("#{dir}/vistrel_test.vsf"), '"Square"'
    Sketchup.write_default('VistrelExporter', 'RendererProgram', "#{dir}/gone")
    render.call
    assert_match(%r{\AVistrel: cannot start renderer #{dir}/gone: }, UI.messages.last)
    assert_equal 2, UI.messages.size, UI.messages.inspect # the export's summary and that
    return if WINDOWS # the registry's renderer stays

    Sketchup.write_default('VistrelExporter', 'RendererProgram', '')
    File.delete("#{dir}/Tavren/Vistrel.conf")
    render.call
    conf = "#{dir}/Tavren/Vistrel.conf"
    assert_equal "Vistrel: renderer not configured: none of #{conf}, #{conf} exists. Choose the renderer's " \
                 'program with Extensions > Vistrel > Vistrel Renderer Location…', UI.messages.last
  ensure
    Sketchup.write_default('VistrelExporter', 'RendererProgram', '') # for the tests after this one
  end

  # The test scene's empty first export never writes through a link planted at its path; a
  # folder there is an error in the message box.
  def test_test_scene_never_writes_through_a_link
    dir = Dir.mktmpdir('link', ROOT)
    scene = "#{dir}/vistrel_test.vsf"
    File.write("#{dir}/victim", 'precious')
    test_scene = UI.menu('Extensions').items.last.items[2].block
    ENV.update('TMPDIR' => dir, 'TMP' => dir, 'XDG_CONFIG_HOME' => dir, 'XDG_CONFIG_DIRS' => dir)
    [[-> { File.symlink("#{dir}/victim", scene) }, []],
     [-> { File.delete(scene) && Dir.mkdir(scene) }, ["Vistrel: cannot open test scene #{scene}: #{WINDOWS ? 'Permission denied' : 'Is a directory'}"]]].each do |plant, messages|
      UI.messages = []
      plant.call
      test_scene.call
      assert_equal ['precious', messages], [File.read("#{dir}/victim"), UI.messages.grep_v(/not configured/)]
    end
    assert File.directory?(scene)
  end

  private

  # A library folder holding these (empty) files.
  def with_library_folder(files)
    Dir.mktmpdir(LIB, ROOT) do |lib|
      files.each { |file| FileUtils.mkdir_p(File.dirname("#{lib}/#{file}")) && File.write("#{lib}/#{file}", '') }
      yield lib
    end
  end

  def shell_renderer(dir)
    File.write("#{dir}/renderer", "#!/bin/sh\n{ pwd; printf '%s\\n' \"$0\" \"$@\"; } > \"$VISTREL_STANDIN_REPORT.part\" && " \
                                  "mv \"$VISTREL_STANDIN_REPORT.part\" \"$VISTREL_STANDIN_REPORT\"\n")
    File.chmod(0o755, "#{dir}/renderer")
    "#{dir}/renderer"
  end

  def native(path)
    WINDOWS ? path.tr('/', '\\') : path
  end

  # The stand-in's report: working folder, program, arguments (with / for Windows' \\).
  def launched(report)
    100.times { File.exist?(report) ? break : sleep(0.1) }
    File.read(report, encoding: 'UTF-8').tr('\\', '/').lines(chomp: true).tap { File.delete(report) }
  end
end
