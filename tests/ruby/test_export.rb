# frozen_string_literal: true

require_relative 'helper'
require_relative 'export_scene'

# Whole exports driven from Ruby, and the errors of the layers below as Ruby sees them.
class TestExport < VistrelTestCase
  GOLDEN = File.binread(File.join(DATA_DIR, 'export.vsf'))

  def setup
    @exporter = SketchupExporter.new
  end

  def test_export_matches_the_golden_file
    path = File.join(folder, 'scene.vsf')
    ExportScene.run(@exporter, path)
    assert_equal GOLDEN, File.binread(path)
  end

  def test_one_exporter_runs_several_exports
    first = File.join(folder, 'first.vsf')
    second = File.join(folder, 'second.vsf')
    ExportScene.run(@exporter, first)
    ExportScene.run(@exporter, second)
    assert_equal GOLDEN, File.binread(second), 'group numbering and batches start afresh'
  end

  def test_non_ascii_path
    path = File.join(folder, 'scène €.vsf')
    ExportScene.run(@exporter, path)
    assert_equal GOLDEN, File.binread(path)
  end

  def test_temporary_output_ignores_the_path
    ignored = File.join(folder, 'ignored.vsf')
    previous = ENV.fetch('TMPDIR', nil)
    ENV['TMPDIR'] = folder
    @exporter.open_file('house', ignored, [1, 2, 3], [0, 1, 0], [0, 0, 1], 45.0, 0.0, false)
    @exporter.close_file
    refute File.exist?(ignored)
    scenes = Dir.glob(File.join(folder, '*.vsf'))
    assert_equal 1, scenes.size
    assert_match(/\A[^.]*\.vsf\z/, File.basename(scenes.first))
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
    @exporter.open_file(nil, path, [1, 2, 3], [0, 1, 0], [0, 0, 1], 45.0, 0.0, true)
    @exporter.begin_group(nil)
    @exporter.add_faces(*face_args(7 => nil, 8 => nil, 9 => 1, 10 => 2, 11 => 3))
    @exporter.end_group
    @exporter.close_file
    text = File.binread(path)
    assert_includes text, "group \"object\" {\n", 'a null model names the top group "object"'
    assert_includes text, 'object "Default 1:2:3" {'
  end

  def test_short_arrays_are_refused_before_anything_runs
    path = File.join(folder, 'short.vsf')
    assert_raises_with(ArgumentError, 'eye has 2 elements, open_file needs 3') do
      @exporter.open_file(*open_args(path, 3 => [1, 2]))
    end
    assert_raises_with(ArgumentError, 'up has 0 elements, open_file needs 3') do
      @exporter.open_file(*open_args(path, 5 => []))
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
    assert_raises_with(ArgumentError, 'uvs has 6 elements, add_faces2 needs 9') do
      @exporter.add_faces2(*face_args(6 => [0] * 6))
    end
    @exporter.add_faces(*face_args(1 => -3, 2 => -1, 3 => [], 4 => [], 5 => [], 6 => []))
    @exporter.add_faces(*face_args(3 => [0] * 12, 4 => [1, 2, 3, 9]))
    @exporter.close_file
    assert_equal 2, File.binread(path).scan('object "brick"').size, 'longer arrays are fine'
  end

  def test_output_failures_raise_io_error_with_path_and_os_error
    missing = File.join(folder, 'no', 'such', 'scene.vsf')
    assert_raises_with(IOError, "cannot open scene file #{missing}: No such file or directory") do
      @exporter.open_file(*open_args(missing))
    end
    if File.writable?('/dev/full')
      @exporter.open_file(*open_args('/dev/full'))
      assert_raises_with(IOError, 'cannot write scene file /dev/full: No space left on device') do
        @exporter.close_file
      end
    end
    path = File.join(folder, 'after.vsf')
    ExportScene.run(@exporter, path)
    assert_equal GOLDEN, File.binread(path), 'the exporter is usable after a failure'
  end

  def test_calls_out_of_order_raise_runtime_error
    assert_raises_with(RuntimeError, 'end_group: no export is open') { @exporter.end_group }
    assert_raises_with(RuntimeError, 'transform: no export is open') { @exporter.transform([0] * 16) }
    assert_raises(RuntimeError) { @exporter.begin_group('g') }
    assert_raises(RuntimeError) { @exporter.add_faces(*face_args) }
    assert_raises_with(RuntimeError, 'run_vistrel: no scene has been exported') { @exporter.run_vistrel }
    @exporter.close_file # closing nothing is fine
  end

  def test_missing_renderer_raises_runtime_error
    saved = %w[XDG_CONFIG_HOME XDG_CONFIG_DIRS].to_h { |name| [name, ENV.fetch(name, nil)] }
    ENV['XDG_CONFIG_HOME'] = File.join(folder, 'user')
    ENV['XDG_CONFIG_DIRS'] = File.join(folder, 'system')
    ExportScene.run(@exporter, File.join(folder, 'scene.vsf'))
    error = assert_raises(RuntimeError) { @exporter.run_vistrel }
    assert_equal RuntimeError, error.class
    assert_includes error.message, File.join(folder, 'user', 'Tavren/Vistrel.conf')
  ensure
    saved.each { |name, value| value ? ENV[name] = value : ENV.delete(name) }
  end
end
