# frozen_string_literal: true

# The package's walker, driven through the built extension on stand-in models:
#   ruby -I <build>/lib tests/modeller/test_walker.rb
require 'json'
require 'minitest/autorun'
require 'tmpdir'
require 'vistrel_sketchup_plugin'
require_relative 'models'
require_relative '../../plugins/sketchup/package/vistrel_exporter/scene_export'

class WalkerTest < Minitest::Test
  def setup
    @dir = Dir.mktmpdir('vistrel-walker')
    @scene = File.join(@dir, 'house.vsf')
  end

  def teardown
    FileUtils.remove_entry(@dir)
  end

  # data/house.calls: the calls the house must make; data/house.vsf: what the extension writes
  # for them, with @DIR@ for the scene's folder.
  def test_house_makes_the_expected_calls_and_scene
    golden = File.binread(File.join(__dir__, 'data', 'house.vsf'))
    exporter = Vistrel_sketchup_plugin::SketchupExporter.new
    File.foreach(File.join(__dir__, 'data', 'house.calls')) do |line|
      name, *args = JSON.parse(line)
      args[1] = "#{@dir}/expected.vsf" if name == 'open_file'
      exporter.send(name, *args)
    end
    assert_equal golden, File.binread("#{@dir}/expected.vsf")
    summary = VistrelExporter::SceneExport.new(Models.house).write(@scene)
    assert_equal golden, File.binread(@scene).gsub(@dir.b, '@DIR@'.b)
    assert_equal [5, 9, 24, @scene], summary.to_a.first(4)
    assert_equal %w[001_wood.png 002_wood.png 003_brick.jpg], Dir.children("#{@dir}/house_textures").sort
    assert_equal %w[expected.vsf house.vsf house_textures], Dir.children(@dir).sort
  end

  def test_field_of_view
    [[{}, 35.0], [{ fov: 60.0, fov_is_height: false, aspect: 2.0 }, 32.204], # 2 atan(tan 30° / 2)
     [{ fov: 60.0, fov_is_height: false }, 46.826],                          # the view's 4:3
     [{ perspective: false, height: 200.0, target: [0.0, -100.0, 60.0] }, 90.0]].each do |options, fov|
      view = Sketchup::View.new(Models.camera(**options), 800, 600)
      assert_in_delta fov, VistrelExporter::ViewCamera.new(view).fov, 1e-3, options.inspect
    end
  end

  # Neither a scene nor textures stay behind, and an earlier scene of the name is kept.
  def test_failed_export_leaves_nothing_behind
    [
      [@scene, "cannot write the texture of Wood to #{@dir}/house_textures/001_wood.png"],
      ["#{@dir}/no/house.vsf", "cannot open scene file #{@dir}/no/house.vsf.part: No such file or directory"]
    ].each do |scene, message|
      File.write(@scene, 'earlier')
      Sketchup::TextureWriter.failing = scene == @scene
      error = assert_raises(IOError) { VistrelExporter::SceneExport.new(Models.house).write(scene) }
      assert_equal [message, %w[house.vsf], 'earlier'], [error.message, Dir.children(@dir), File.read(@scene)]
    ensure
      Sketchup::TextureWriter.failing = false
    end
    model = Models.house.tap { |house| house.active_path = [house.entities[1]] }
    error = assert_raises(ArgumentError) { VistrelExporter::SceneExport.new(model).write(@scene) }
    assert_equal 'close the group or component being edited, then export again', error.message
  end
end
