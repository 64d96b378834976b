# frozen_string_literal: true

require 'open3'
require_relative 'helper'

# Runs bin/vistrel-export with the built extension, as a user does.
class ExportEndToEndTest < Minitest::Test
  include DriverTestHelper

  BIN = File.expand_path('../../bin/vistrel-export', __dir__)
  EXTENSION_DIR = ENV['VISTREL_EXTENSION_DIR'].to_s
  HEADER = "//---tavren:dal:3---\n// This is a Vistrel scene file\n\n"

  def setup
    super
    skip "the extension is not built in #{EXTENSION_DIR.inspect}" unless File.directory?(EXTENSION_DIR)
    # No renderer configuration from the machine running the tests.
    @env = { 'VISTREL_EXTENSION_DIR' => EXTENSION_DIR, 'TMPDIR' => @dir,
             'XDG_CONFIG_HOME' => File.join(@dir, 'config'), 'XDG_CONFIG_DIRS' => File.join(@dir, 'etc') }
  end

  def export(*argv)
    Open3.capture3(@env, RbConfig.ruby, BIN, *argv)
  end

  def test_sample_scene_written_to_a_given_path_and_to_standard_output
    path = File.join(@dir, 'room.vsf')
    out, err, status = export('-o', path)
    assert status.success?, err
    assert_equal '', err
    assert_match(/\Aroom: 10 groups, 8 meshes, 404 triangles -> #{Regexp.escape(path)} \(\d+\.\d KB\) in \d+\.\d\d s\n\z/, out)
    scene = File.binread(path)
    assert scene.start_with?(HEADER + "\ngroup \"room\" {\n"), scene[0, 80]
    assert_equal ['Box', 'Room', 'Floor', 'Walls', 'Table', 'Top', 'Legs', 'Vase', 'Glass', 'Ball'],
                 scene.scan(/^ *group "([^"]+)" \{/).flatten.drop(1)
    assert_equal ['Default 204:204:204', 'floor_tiles', 'wall_paint', 'oak', 'oak', 'ceramic', 'glass', 'rubber'],
                 scene.scan(/^ *object "([^"]+)" \{/).flatten
    assert_includes scene, File.join(File.dirname(VistrelExport::CLI::SAMPLE), 'wood.png')

    piped, err, status = export('-o', '-')
    assert status.success?, err
    assert_equal scene.b, piped.b, 'the same scene on standard output'
    assert_match(/\Aroom: 10 groups, 8 meshes, 404 triangles -> - in /, err)
  end

  def test_default_output_is_a_new_temporary_scene_file
    out, err, status = export('--quiet')
    assert status.success?, err
    assert_equal ['', ''], [out, err]
    out, = export
    path = out[/ -> (\S+\.vsf) \(/, 1]
    assert_equal @dir, File.dirname(path)
    assert File.binread(path).start_with?(HEADER)
    assert_equal 2, Dir.glob(File.join(@dir, '*.vsf')).size
  end

  def test_failures_give_a_message_and_no_backtrace
    bad = write_files('bad.obj' => "v 0 0 0\nv 1 0 0\nf 1 2 -3\n")
    {
      [bad] => "vistrel-export: #{bad}:3: vertex index -3 out of range (2 vertices defined so far)\n",
      ['-o', '/dev/full'] => %r{\Avistrel-export: .*/dev/full: No space left on device\n\z},
      ['-o', File.join(@dir, 'room.vsf'), '--launch'] => /\Avistrel-export: cannot start the renderer: .*Vistrel\.conf.*\n\z/
    }.each do |argv, expected|
      _out, err, status = export(*argv)
      assert_equal 1, status.exitstatus, argv.join(' ')
      expected.is_a?(Regexp) ? assert_match(expected, err) : assert_equal(expected, err)
    end
  end

  def test_a_checkout_without_the_built_extension_says_how_to_build_it
    checkout = File.join(@dir, 'checkout')
    FileUtils.mkdir_p(checkout)
    FileUtils.cp_r([File.dirname(BIN), File.expand_path('../../lib', __dir__)], checkout)
    env = @env.merge('VISTREL_EXTENSION_DIR' => nil, 'BUILD_DIR' => nil, 'RUBYLIB' => nil)
    out, err, status = Open3.capture3(env, RbConfig.ruby, File.join(checkout, 'bin', 'vistrel-export'))
    assert_equal [1, ''], [status.exitstatus, out]
    assert_equal "vistrel-export: vistrel_sketchup_plugin is not built; build it with scripts/setup.sh, " \
                 "or set VISTREL_EXTENSION_DIR to the folder that holds it\n", err
  end

  def test_launch_starts_the_configured_renderer_on_the_scene
    renderer = File.join(@dir, 'bin', 'fake-renderer')
    record = File.join(@dir, 'launched.txt')
    FileUtils.mkdir_p([File.dirname(renderer), File.join(@dir, 'config', 'Tavren')])
    File.write(renderer, "#!/bin/sh\necho \"$@\" > #{record}.part && mv #{record}.part #{record}\n")
    File.chmod(0o755, renderer)
    File.write(File.join(@dir, 'config', 'Tavren', 'Vistrel.conf'),
               "BinName=fake-renderer\nBinFolder=#{File.dirname(renderer)}\n")
    path = File.join(@dir, 'room.vsf')
    out, err, status = export('-o', path, '--launch')
    assert status.success?, err
    assert_equal "renderer started on #{path}", out.lines.last.chomp
    50.times { File.exist?(record) ? break : sleep(0.1) }
    assert_equal "-import2 #{path}\n", File.read(record)
  end

  def test_progress_of_a_large_model_goes_to_standard_error
    model = File.join(@dir, 'grid.obj')
    n = 250 # 125,000 triangles
    File.open(model, 'w') do |f|
      (0..n).each { |i| (0..n).each { |j| f.puts "v #{i} 0 #{j}" } }
      n.times { |i| n.times { |j| a = i * (n + 1) + j + 1; f.puts "f #{a} #{a + 1} #{a + n + 2} #{a + n + 1}" } }
    end
    out, err, status = export(model, '-o', File.join(@dir, 'grid.vsf'))
    assert status.success?, err
    assert_match(/\Aexporting 100%  125000 triangles  \d+\.\d s\n\z/, err)
    assert_match(/\Agrid: 1 groups, 1 meshes, 125000 triangles -> /, out)
  end
end
