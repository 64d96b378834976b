# frozen_string_literal: true

require_relative 'helper'
require_relative 'export_scene'

# Whole exports driven from Ruby: to a path, to standard output, to a temporary file.
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

  # "-" is the process's standard output, so the export runs in a child interpreter.
  def test_dash_writes_to_standard_output
    script = "require 'vistrel_sketchup_plugin'; require #{File.join(__dir__, 'export_scene').dump}; " \
             "ExportScene.run(Vistrel_sketchup_plugin::SketchupExporter.new, '-')"
    assert_equal GOLDEN, IO.popen([RbConfig.ruby, '-I', LIBRARY_DIR, '-e', script], 'rb', &:read)
    assert $?.success?
  end

  # Where the system takes the user's temporary folder from.
  TEMPORARY_FOLDER_VARIABLE = Gem.win_platform? ? 'TMP' : 'TMPDIR'

  def test_temporary_output_ignores_the_path
    previous, ENV[TEMPORARY_FOLDER_VARIABLE] = ENV.fetch(TEMPORARY_FOLDER_VARIABLE, nil), folder
    @exporter.open_file(*open_args(File.join(folder, 'ignored.vsf'), 8 => false))
    @exporter.close_file
    scene, *others = Dir.glob(File.join(folder, '*.vsf'))
    assert_equal [[], false, "//---tavren:dal:3---\n"], [others, scene.end_with?('ignored.vsf'), File.binread(scene)[0, 21]]
  ensure
    previous ? ENV[TEMPORARY_FOLDER_VARIABLE] = previous : ENV.delete(TEMPORARY_FOLDER_VARIABLE)
  end
end
