# frozen_string_literal: true

require 'stringio'
require_relative 'helper'

# The command's options, output and exit statuses, with a recording exporter.
class CliTest < Minitest::Test
  include DriverTestHelper

  def run_cli(*argv, exporter: RecordingExporter.new)
    @exporter = exporter
    out = StringIO.new
    err = StringIO.new
    status = VistrelExport::CLI.new(out: out, err: err, extension_loader: -> {},
                                    exporter_factory: -> { exporter }).run(argv)
    [status, out.string, err.string]
  end

  def test_options_reach_the_camera_and_the_renderer
    status, out, = run_cli(VistrelExport::CLI::SAMPLE, '-o', File.join(@dir, 'a.vsf'),
                           '--eye', '0,1,10', '--target=0,1,0', '--up', '0,1,0', '--fov', '30', '--launch')
    assert_equal 0, status
    assert_equal [[0.0, 1.0, 10.0], [0.0, 0.0, -1.0], [0.0, 1.0, 0.0], 30.0], @exporter.calls.first[3, 4]
    assert_equal :run_vistrel, @exporter.names.last
    assert_equal "renderer started on #{@dir}/a.vsf", out.lines.last.chomp
  end

  # Warnings and the summary go to standard error when the scene goes to standard output.
  def test_quiet_and_standard_output
    model = write_files('m.obj' => "usemtl nothing\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")
    assert_equal [0, '', ''], run_cli(model, '-o', File.join(@dir, 'a.vsf'), '--quiet')
    status, out, err = run_cli(model, '-o', '-')
    assert_equal [0, ''], [status, out]
    assert_match(/\Avistrel-export: warning: .*m\.obj:1: material 'nothing' is not defined.*\nm: 1 groups, /, err)
  end

  # An internal error shows only the first line of its message: later lines are for programmers.
  def test_wrong_usage_exits_2_with_a_hint_failures_1_and_internal_errors_70_with_one_line
    {
      %w[--fov 180] => '--fov must lie between 0 and 180 degrees, got 180.0',
      %w[--eye 0,5,0 --target 0,1,0] => 'the up direction is parallel to the view direction',
      %w[-o - --launch] => '--launch needs a scene file, not standard output',
      %w[-o - --preview p.png] => '--preview needs a scene file, not standard output'
    }.each do |argv, message|
      assert_equal [2, '', "vistrel-export: #{message}\nTry 'vistrel-export --help' for more.\n"], run_cli(*argv)
    end
    assert_equal [1, '', "vistrel-export: cannot write #{@dir}/no/x.vsf: no folder #{@dir}/no\n"],
                 run_cli('-o', "#{@dir}/no/x.vsf")
    assert_empty @exporter.calls
    broken = RecordingExporter.new(fail_on: :begin_group, error: NoMethodError.new("undefined method\nhint"))
    assert_equal [70, '', "vistrel-export: internal error: NoMethodError: undefined method\n"],
                 run_cli('-o', File.join(@dir, 'a.vsf'), exporter: broken)
  end
end
