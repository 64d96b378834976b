# frozen_string_literal: true

require 'stringio'
require_relative 'helper'

class CliTest < Minitest::Test
  include DriverTestHelper

  # An exporter that writes a small file at close, as the extension does.
  class FileWritingExporter < RecordingExporter
    def close_file
      super
      File.write(@output_path, 'x' * 2048) if @output_path && @output_path != '-'
    end
  end

  def run_cli(*argv, exporter: FileWritingExporter.new, loader: -> {})
    @exporter = exporter
    out = StringIO.new
    err = StringIO.new
    status = VistrelExport::CLI.new(out: out, err: err, extension_loader: loader,
                                    exporter_factory: -> { exporter }).run(argv)
    [status, out.string, err.string]
  end

  def test_sample_export_prints_one_summary_line
    path = File.join(@dir, 'room.vsf')
    status, out, err = run_cli('-o', path)
    assert_equal 0, status
    assert_equal '', err
    assert_match(/\Aroom: 10 groups, 8 meshes, 404 triangles -> #{Regexp.escape(path)} \(2\.0 KB\) in \d+\.\d\d s\n\z/, out)
  end

  def test_options_reach_the_camera_and_the_renderer
    status, out, = run_cli(File.join(File.dirname(VistrelExport::CLI::SAMPLE), 'room.obj'), '-o', File.join(@dir, 'a.vsf'),
                           '--eye', '0,1,10', '--target=0,1,0', '--up', '0,1,0', '--fov', '30', '--launch')
    assert_equal 0, status
    open_file = @exporter.calls.first
    assert_equal [[0.0, 1.0, 10.0], [0.0, 0.0, -1.0], [0.0, 1.0, 0.0], 30.0], open_file[3, 4]
    assert_equal :run_vistrel, @exporter.names.last
    assert_equal "renderer started on #{@dir}/a.vsf", out.lines.last.chomp
  end

  def test_quiet_prints_nothing_and_standard_output_gets_no_summary
    model = write_files('m.obj' => "usemtl nothing\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")
    assert_equal [0, '', ''], run_cli(model, '-o', File.join(@dir, 'a.vsf'), '--quiet')
    status, out, err = run_cli(model, '-o', '-')
    assert_equal [0, ''], [status, out]
    assert_match(/warning: .*m\.obj:1: material 'nothing' is not defined/, err)
    assert_match(/^m: 1 groups, 1 meshes, 1 triangles -> - in /, err)
  end

  def test_help
    status, out, err = run_cli('--help')
    assert_equal [0, ''], [status, err]
    assert_match(/\AUsage: vistrel-export \[MODEL.obj\] \[-o OUT.vsf\] \[options\]/, out)
    %w[--output --eye --target --up --fov --launch --quiet --help].each { |o| assert_includes out, o }
    assert_empty @exporter.calls
  end

  def test_wrong_usage_exits_2_with_a_hint
    hint = "\nTry 'vistrel-export --help' for more.\n"
    {
      %w[--frobnicate] => 'invalid option: --frobnicate',
      %w[a.obj b.obj] => 'one model at a time, got 2: a.obj b.obj',
      %w[--eye 1,2] => "--eye takes three numbers separated by commas, got '1,2'",
      %w[--fov wide] => 'invalid argument: --fov wide',
      %w[--fov 200] => '--fov must lie between 0 and 180 degrees, got 200.0',
      %w[-o - --launch] => '--launch needs a scene file, not standard output',
      %w[-o] => 'missing argument: -o'
    }.each do |argv, message|
      assert_equal [2, '', "vistrel-export: #{message}#{hint}"], run_cli(*argv), argv.join(' ')
    end
  end

  def test_failures_exit_1_with_a_message_and_no_backtrace
    missing = File.join(@dir, 'none.obj')
    bad = write_files('bad.obj' => "v 0 0 0\nf 1 2 3\n")
    {
      [missing] => "#{missing}: no such file",
      [bad] => "#{bad}:2: vertex index 2 out of range (1 vertices defined so far)",
      ['-o', "#{@dir}/no/such/dir/x.vsf"] => "cannot write #{@dir}/no/such/dir/x.vsf: no folder #{@dir}/no/such/dir",
      ['-o', @dir] => "cannot write #{@dir}: it is a folder"
    }.each do |argv, message|
      assert_equal [1, '', "vistrel-export: #{message}\n"], run_cli(*argv), argv.join(' ')
    end
  end

  def test_failures_of_the_extension
    not_built = -> { raise VistrelExport::Error, 'vistrel_sketchup_plugin is not built; build it with scripts/setup.sh' }
    assert_equal [1, '', "vistrel-export: vistrel_sketchup_plugin is not built; build it with scripts/setup.sh\n"],
                 run_cli(loader: not_built)
    launch_fails = FileWritingExporter.new(fail_on: :run_vistrel,
                                           error: VistrelExport::Error.new('cannot start the renderer: no renderer configured'))
    status, _out, err = run_cli('-o', File.join(@dir, 'a.vsf'), '--launch', exporter: launch_fails)
    assert_equal [1, "vistrel-export: cannot start the renderer: no renderer configured\n"], [status, err]
    broken = RecordingExporter.new(fail_on: :begin_group, error: NoMethodError.new('undefined method'))
    assert_equal [70, '', "vistrel-export: internal error: NoMethodError: undefined method\n"],
                 run_cli('-o', File.join(@dir, 'a.vsf'), exporter: broken)
  end
end
