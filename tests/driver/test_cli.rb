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

  # Warnings and the summary go to standard error when the scene goes to standard output. The
  # scene keeps 127 bytes of a material name: names alike up to there are warned about.
  def test_quiet_and_standard_output
    a, b = %w[a b].map { |c| "#{'m' * 127}#{c}" }
    model = write_files('m.obj' => "v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl #{a}\nf 1 2 3\nusemtl #{b}\nf 1 2 3\n")
    assert_equal [0, '', ''], run_cli(model, '-o', File.join(@dir, 'a.vsf'), '--quiet')
    status, out, err = run_cli(model, '-o', '-')
    assert_equal [0, ''], [status, out]
    assert_match(/\Avistrel-export: warning: .*m\.obj:4: material 'm+a' is not defined.*\n.*\n.*warning: 2 material names begin with the same 127 bytes \('m{127}'\); the scene gives them one name\nm: 1 groups, /, err)
  end

  # An internal error shows only the first line of its message: later lines are for programmers.
  def test_wrong_usage_exits_2_with_a_hint_failures_1_and_internal_errors_70_with_one_line
    {
      %w[--fov 180] => '--fov must lie between 0 and 180 degrees, got 180.0',
      %w[--eye 0,5,0 --target 0,1,0] => 'the up direction is parallel to the view direction',
      %w[-o - --launch] => '--launch needs a scene file, not standard output',
      %w[-o - --preview p.png] => '--preview needs a scene file, not standard output',
      %w[-o room.vsf --preview ./room.vsf] => '--preview ./room.vsf would replace the scene file (-o room.vsf)',
      %w[--target 1e308,0,0] => "the camera lies beyond the range of the scene's numbers; give smaller --eye or --target values"
    }.each do |argv, message|
      assert_equal [2, '', "vistrel-export: #{message}\nTry 'vistrel-export --help' for more.\n"], run_cli(*argv)
    end
    assert_equal [1, '', "vistrel-export: cannot write #{@dir}/no/x.vsf: no folder #{@dir}/no\n"],
                 run_cli('-o', "#{@dir}/no/x.vsf")
    # The model, its material file or a texture, under any name, is never the output.
    sample = File.dirname(VistrelExport::CLI::SAMPLE)
    File.symlink(File.join(sample, 'room.mtl'), link = File.join(@dir, 'link.vsf'))
    [VistrelExport::CLI::SAMPLE, File.join(sample, 'wood.png'), link].each do |output|
      input = File.realpath(output)
      assert_equal [1, '', "vistrel-export: cannot write #{output}: it is an input of the export (#{input})\n"],
                   run_cli('-o', output)
    end
    assert_empty @exporter.calls
    broken = RecordingExporter.new(fail_on: :begin_group, error: NoMethodError.new("undefined method\nhint"))
    assert_equal [70, '', "vistrel-export: internal error: NoMethodError: undefined method\n"],
                 run_cli('-o', File.join(@dir, 'a.vsf'), exporter: broken)
  end

  # The scene reaches the inspector as a file, whatever its name begins with.
  def test_the_preview_reads_a_scene_named_like_an_option
    exporter = RecordingExporter.new
    room = File.expand_path('../tools/data/room.vsf', __dir__)
    exporter.define_singleton_method(:close_file) { FileUtils.cp(room, output_path) }
    Dir.chdir(@dir) do
      assert_equal [0, '', ''], run_cli('-q', '-o', '-scene.vsf', '--preview', '-p.png', exporter: exporter)
      assert File.size?('-p.png')
    end
  end

  def test_an_interrupt_leaves_no_file_or_says_where_the_complete_scene_is
    VistrelExport::Signals.install
    path = File.join(@dir, 'a.vsf')
    { open_file: 'no scene file written', close_file: "the complete scene is in #{path}" }.each do |step, said|
      exporter = RecordingExporter.new
      # The interrupt comes in the middle of the step, once the file is there.
      exporter.define_singleton_method(step) { |*a| super(*a).tap { File.write(path, 's') && Process.kill(:INT, Process.pid) && sleep(0.1) } }
      assert_equal [130, '', "vistrel-export: interrupted; #{said}\n"], run_cli('-o', path, exporter: exporter)
      assert_equal step == :close_file, File.exist?(path)
    end
  ensure
    trap('INT', 'DEFAULT')
  end

  # Texts or values the extension refuses come out as one-line messages.
  def test_refused_texts_are_reported_on_one_line
    { ArgumentError => "string contains null byte\n\tin SWIG method 'add_faces2'", RangeError => 'too big' }.each do |type, text|
      native = Object.new
      native.define_singleton_method(:add_faces2) { |*| raise type, text }
      assert_error("material 'a?b': #{text.lines.first.chomp}") do
        VistrelExport::Extension::Exporter.new(native).add_faces2(1, 1, [], [], [], [], "a\0b", '', 1, 1, 1, 1.0)
      end
    end
  end
end
