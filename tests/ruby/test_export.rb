# frozen_string_literal: true

require_relative 'helper'
require_relative 'export_scene'

# Whole exports driven from Ruby, and the errors of the layers below as Ruby sees them.
class TestExport < VistrelTestCase
  GOLDEN = File.binread(File.join(DATA_DIR, 'export.vsf'))

  def setup
    @exporter = SketchupExporter.new
  end

  # A second export (to a non-ASCII path) numbers groups and batches afresh.
  def test_exports_match_the_golden_file
    ExportScene.run(@exporter, File.join(folder, 'first.vsf'))
    path = File.join(folder, 'scène €.vsf')
    ExportScene.run(@exporter, path)
    assert_equal GOLDEN, File.binread(path)
  end

  def test_temporary_output_ignores_the_path
    ignored = File.join(folder, 'ignored.vsf')
    previous = ENV.fetch('TMPDIR', nil)
    ENV['TMPDIR'] = folder
    @exporter.open_file(*open_args(ignored, 8 => false))
    @exporter.close_file
    scenes = Dir.glob(File.join(folder, '*.vsf'))
    assert_equal 1, scenes.size
    refute_equal ignored, scenes.first
    assert File.binread(scenes.first).start_with?("//---tavren:dal:3---\n")
  ensure
    previous ? ENV['TMPDIR'] = previous : ENV.delete('TMPDIR')
  end

  # "-" is the process's standard output, so the export runs in a child interpreter.
  def test_dash_writes_to_standard_output
    script = <<~RUBY
      require 'vistrel_sketchup_plugin'
      require #{File.join(__dir__, 'export_scene').dump}
      ExportScene.run(Vistrel_sketchup_plugin::SketchupExporter.new, '-')
    RUBY
    output = IO.popen([RbConfig.ruby, '-I', LIBRARY_DIR, '-e', script], 'rb', &:read)
    assert $?.success?
    assert_equal GOLDEN, output
  end

  def test_nil_texts_are_passed_as_null
    path = File.join(folder, 'nil.vsf')
    @exporter.open_file(*open_args(path, 1 => nil))
    @exporter.begin_group(nil)
    @exporter.add_faces(*face_args(7 => nil, 8 => nil, 9 => 1, 10 => 2, 11 => 3))
    @exporter.end_group
    @exporter.close_file
    assert_equal ['group "object" {', 'group "Group #0" {', 'object "Default 1:2:3" {'],
                 File.binread(path).scan(/(?:group|object) ".*" \{/)
  end

  def test_short_arrays_are_refused_before_anything_runs
    path = File.join(folder, 'short.vsf')
    assert_raises_with(ArgumentError, 'eye has 2 elements, open_file needs 3') do
      @exporter.open_file(*open_args(path, 3 => [1, 2]))
    end
    refute File.exist?(path), 'nothing was opened'
    @exporter.open_file(*open_args(path))
    assert_raises_with(ArgumentError, 'matrix has 15 elements, transform needs 16') do
      @exporter.transform([0] * 15)
    end
    assert_raises_with(ArgumentError, 'vs has 8 elements, add_faces needs 9') do
      @exporter.add_faces(*face_args(3 => [0] * 8))
    end
    assert_raises_with(ArgumentError, 'fs has 3 elements, add_faces2 needs 6') do
      @exporter.add_faces2(*face_args(2 => 2))
    end
    @exporter.add_faces(*face_args(1 => -3, 2 => -1, 3 => [], 4 => [], 5 => [], 6 => []))
    @exporter.add_faces(*face_args(3 => [0] * 12, 4 => [1, 2, 3, 9]))
    @exporter.close_file
    assert_equal 2, File.binread(path).scan('object "brick"').size, 'longer arrays are fine'
  end

  # Output failures raise IOError, calls out of order and launch failures RuntimeError.
  def test_errors_of_the_layers_below
    assert_raises_with(RuntimeError, 'run_vistrel: no scene has been exported') { @exporter.run_vistrel }
    missing = File.join(folder, 'no', 'such', 'scene.vsf')
    assert_raises_with(IOError, "cannot open scene file #{missing}: No such file or directory") do
      @exporter.open_file(*open_args(missing))
    end
    assert_raises_with(RuntimeError, 'end_group: no export is open') { @exporter.end_group }
    @exporter.open_file(*open_args('/dev/full'))
    assert_raises_with(IOError, 'cannot write scene file /dev/full: No space left on device') do
      @exporter.close_file
    end
    saved = %w[XDG_CONFIG_HOME XDG_CONFIG_DIRS].to_h { |name| [name, ENV.fetch(name, nil)] }
    ENV['XDG_CONFIG_HOME'] = File.join(folder, 'user')
    ENV['XDG_CONFIG_DIRS'] = File.join(folder, 'system')
    ExportScene.run(@exporter, File.join(folder, 'scene.vsf'))
    assert_equal GOLDEN, File.binread(File.join(folder, 'scene.vsf')), 'usable after a failure'
    configs = %w[user system].map { |dir| File.join(folder, dir, 'Tavren/Vistrel.conf') }
    assert_raises_with(RuntimeError, "renderer not configured: none of #{configs.join(', ')} exists") do
      @exporter.run_vistrel
    end
  ensure
    saved&.each { |name, value| value ? ENV[name] = value : ENV.delete(name) }
  end
end
