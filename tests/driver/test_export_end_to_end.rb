# frozen_string_literal: true

require 'open3'
require_relative 'helper'

# Runs bin/vistrel-export with the built extension, as a user does.
class ExportEndToEndTest < Minitest::Test
  include DriverTestHelper

  BIN = File.expand_path('../../bin/vistrel-export', __dir__)
  EXTENSION_DIR = ENV['VISTREL_EXTENSION_DIR'].to_s

  def setup
    super
    skip "the extension is not built in #{EXTENSION_DIR.inspect}" unless File.directory?(EXTENSION_DIR)
    # No renderer configuration from the machine running the tests.
    @env = { 'VISTREL_EXTENSION_DIR' => EXTENSION_DIR, 'TMPDIR' => @dir,
             'XDG_CONFIG_HOME' => File.join(@dir, 'config'), 'XDG_CONFIG_DIRS' => File.join(@dir, 'etc') }
  end

  def export(*argv, env: @env, bin: BIN)
    Open3.capture3(env, RbConfig.ruby, bin, *argv)
  end

  def test_sample_scene_written_to_a_given_path_to_standard_output_and_to_a_temporary_file
    path = File.join(@dir, 'room.vsf')
    out, err, status = export('-o', path)
    assert status.success?, err
    assert_match(/\Aroom: 10 groups, 8 meshes, 404 triangles -> #{Regexp.escape(path)} \(\d+\.\d KB\) in \d+\.\d\d s\n\z/, out)
    scene = File.binread(path)
    assert scene.start_with?("//---tavren:dal:3---\n// This is a Vistrel scene file\n\n\ngroup \"room\" {\n"), scene[0, 80]
    assert_equal %w[Box Room Floor Walls Table Top Legs Vase Glass Ball], scene.scan(/^ *group "([^"]+)" \{/).flatten.drop(1)
    assert_equal ['Default 204:204:204', 'floor_tiles', 'wall_paint', 'oak', 'oak', 'ceramic', 'glass', 'rubber'],
                 scene.scan(/^ *object "([^"]+)" \{/).flatten
    assert_includes scene, File.join(File.dirname(VistrelExport::CLI::SAMPLE), 'wood.png')

    piped, err, status = export('-o', '-')
    assert status.success?, err
    assert_equal scene.b, piped.b, 'the same scene on standard output'
    assert_match(/\Aroom: 10 groups, 8 meshes, 404 triangles -> - in /, err)

    out, err, status = export
    assert status.success?, err
    temporary = out[/ -> (\S+\.vsf) \(/, 1]
    assert_equal [@dir, scene.b], [File.dirname(temporary), File.binread(temporary).b]
  end

  def test_failures_give_a_message_and_no_backtrace
    _out, err, status = export('-o', '/dev/full')
    assert_equal 1, status.exitstatus
    assert_equal "vistrel-export: cannot write scene file /dev/full: No space left on device\n", err
    # A checkout without the built extension says how to build it.
    checkout = File.join(@dir, 'checkout')
    FileUtils.mkdir_p(checkout)
    FileUtils.cp_r([File.dirname(BIN), File.expand_path('../../lib', __dir__)], checkout)
    env = @env.merge('VISTREL_EXTENSION_DIR' => nil, 'BUILD_DIR' => nil, 'RUBYLIB' => nil)
    out, err, status = export(env: env, bin: File.join(checkout, 'bin', 'vistrel-export'))
    assert_equal [1, ''], [status.exitstatus, out]
    assert_equal "vistrel-export: vistrel_sketchup_plugin is not built; build it with scripts/setup.sh, " \
                 "or set VISTREL_EXTENSION_DIR to the folder that holds it\n", err
  end

  def test_progress_of_a_large_model_goes_to_standard_error
    n = 250 # 125,000 triangles
    vertices = (0..n).flat_map { |i| (0..n).map { |j| "v #{i} 0 #{j}\n" } }
    faces = (0...n * n).map { |k| a = k / n * (n + 1) + k % n + 1; "f #{a} #{a + 1} #{a + n + 2} #{a + n + 1}\n" }
    model = write_files('grid.obj' => (vertices + faces).join)
    out, err, status = export(model, '-o', File.join(@dir, 'grid.vsf'))
    assert status.success?, err
    assert_match(/\Aexporting 100%  125000 triangles  \d+\.\d s\n\z/, err)
    assert_match(/\Agrid: 1 groups, 1 meshes, 125000 triangles -> /, out)
  end
end
