# frozen_string_literal: true

require 'open3'
require 'rbconfig'
require_relative '../ruby/helper'

# Faults from outside the extension: outputs that cannot be written, named pipes, forked
# children, and a process killed in the middle of an export.
#
#   VISTREL_INSPECT=<build>/inspect/vistrel-inspect ruby -I <build>/lib tests/faults/test_faults.rb
class TestFaults < VistrelTestCase
  light_gc :test_killed_export_leaves_a_truncated_file, :test_named_pipes_get_the_whole_scene_or_an_error

  INSPECTOR = ENV.fetch('VISTREL_INSPECT', nil)
  NOBODY = 65_534

  def setup
    @exporter = SketchupExporter.new
    @fifo = File.join(folder, 'fifo')
    File.mkfifo(@fifo)
  end

  # The outputs that cannot be opened are tried in a child that gives up root first (root writes
  # anywhere). A named pipe without a reader would lose the scene.
  def test_unwritable_outputs_raise_io_error_with_path_and_os_error
    Dir.mkdir(locked = File.join(folder, 'locked'), 0o555)
    File.chmod(0o755, folder)
    File.chmod(0o666, @fifo)
    outputs = { folder => 'Is a directory', File.join(folder, 'x' * 5000, 'scene.vsf') => 'File name too long',
                @fifo => 'No such device or address', File.join(locked, 'scene.vsf') => 'Permission denied' }
    messages = IO.popen('-') do |child|
      next child.readlines(chomp: true) if child

      Process::GID.change_privilege(NOBODY) && Process::UID.change_privilege(NOBODY) if Process.uid.zero?
      outputs.each_key { |path| @exporter.open_file(*open_args(path)) rescue $stdout.syswrite("#{$!.class}: #{$!.message}\n") } # rubocop:disable Style/RescueModifier
      exit!(0)
    end
    outputs.zip(messages) { |(path, os_error), text| assert_equal "IOError: cannot open scene file #{path}: #{os_error}", text }
    refute File.exist?(File.join(locked, 'scene.vsf'))
    @exporter.open_file(*open_args('/dev/full'))
    @exporter.add_faces(*face_args)
    assert_raises_with(IOError, 'cannot write scene file /dev/full: No space left on device') { @exporter.close_file }
    @exporter.close_file # the failed export is over
  end

  # A forked child finds the export closed, whatever it calls and however it ends: the parent's
  # file comes out as it does without the fork, and an export of the child's own holds none of
  # the parent's groups and batches.
  def test_a_forked_child_leaves_the_parents_export_alone
    alone = export_around(File.join(folder, 'alone.vsf'))
    own = ->(e) { e.open_file(*open_args(File.join(folder, 'own.vsf'))).then { e.close_file } }
    [->(_) {}, ->(e) { e.close_file }, ->(e) { e.end_group }, own].each_with_index do |child, i|
      assert_equal alone, export_around(File.join(folder, "forked#{i}.vsf"), child), "child #{i}"
    end
    SketchupExporter.new.tap { |e| e.open_file(*open_args(File.join(folder, 'empty.vsf'))) }.close_file
    assert_equal File.binread(File.join(folder, 'empty.vsf')), File.binread(File.join(folder, 'own.vsf'))
  end

  def export_around(path, child = nil)
    exporter = SketchupExporter.new
    exporter.open_file(*open_args(path))
    exporter.begin_group('g')
    exporter.add_faces2(*face_args)
    Process.wait(fork { child.call(exporter) rescue nil }) if child
    exporter.end_group
    exporter.close_file
    File.binread(path)
  end

  # A reader that takes everything gets the file's bytes; one that goes makes the export fail,
  # and an interrupt ends an export that a stalled reader keeps waiting.
  def test_named_pipes_get_the_whole_scene_or_an_error
    reader = spawn('cat', @fifo, out: copy = File.join(folder, 'copy.vsf'))
    Process.wait(export_in_child(@fifo))
    Process.wait(reader)
    assert_equal run_large_export(File.join(folder, 'file.vsf')), File.binread(copy)

    File.open(@fifo, File::RDONLY | File::NONBLOCK) { @exporter.open_file(*open_args(@fifo)) }
    @exporter.add_faces(*face_args)
    assert_raises_with(IOError, "cannot write scene file #{@fifo}: Broken pipe") { @exporter.close_file }

    File.open(@fifo, File::RDONLY | File::NONBLOCK) do
      pid = export_in_child(@fifo, endless: true)
      sleep 0.01 until File.read("/proc/#{pid}/wchan").include?('pipe_write') # the pipe is full
      Process.kill(:INT, pid)
      status = nil # no thread waits: threads of an interpreter running the sanitizers fail at exit
      100.times { (status = Process.wait2(pid, Process::WNOHANG)&.last) ? break : sleep(0.1) }
      Process.kill(:KILL, pid) unless status
      assert_equal 'INT', status && Signal.signame(status.termsig), 'an interrupt ends the export'
    end
  end

  # A child writes a large scene; it is killed part-way. What reached the file is a prefix of
  # the whole export, and the inspector calls it truncated, not malformed.
  def test_killed_export_leaves_a_truncated_file
    skip 'VISTREL_INSPECT not set' unless INSPECTOR
    whole = run_large_export(File.join(folder, 'whole.vsf'))
    pid = export_in_child(cut = File.join(folder, 'cut.vsf'), endless: true)
    sleep 0.001 until File.exist?(cut) && File.size(cut) > whole.size / 3
    Process.kill(:KILL, pid)
    Process.wait(pid)
    assert_equal :KILL, Signal.signame($?.termsig).to_sym
    written = File.binread(cut)
    assert_operator written.size, :<, whole.size
    assert_equal whole[0, written.size], written, 'the file holds what was written, unchanged'
    output, status = Open3.capture2e(INSPECTOR, '--quiet', '--no-texture-check', cut)
    assert_equal 3, status.exitstatus, output
    assert_match(/truncated at byte offset \d+: .*blocks? still open/, output)
  end

  def run_large_export(path)
    Process.wait(export_in_child(path))
    assert $?.success?
    File.binread(path)
  end

  # 200 groups of 10 meshes of 500 triangles (about 30 MB); with endless, it starts over without
  # end until it is killed.
  def export_in_child(path, endless: false)
    spawn(RbConfig.ruby, '-I', LIBRARY_DIR, '-e', <<~RUBY, err: File::NULL)
      require 'vistrel_sketchup_plugin'
      include Vistrel_sketchup_plugin
      n = 500
      vs = Array.new(3 * n) { |i| (i % 97) * 0.25 }
      fs = Array.new(3 * n) { |i| i % n + 1 }
      ns = [0.0, 0.0, 1.0] * n
      exporter = SketchupExporter.new
      exporter.open_file('big', #{path.dump}, [1, 2, 3], [0, 1, 0], [0, 0, 1], 45.0, 0.0, true)
      loop do
        200.times do |g|
          exporter.begin_group("group \#{g}")
          10.times { |m| exporter.add_faces(n, n, vs, fs, ns, vs, "mat\#{m}", '', 1, 2, 3, 1.0) }
          exporter.end_group
        end
        break unless #{endless}
      end
      exporter.close_file
    RUBY
  end
end
