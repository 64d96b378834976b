# frozen_string_literal: true

require 'open3'
require 'rbconfig'
require_relative '../ruby/helper'

# Faults from outside the extension: outputs that cannot be written, named pipes, forked
# children, a renderer that cannot be started, and a process killed in the middle of an export.
#
#   VISTREL_INSPECT=<build>/tools/inspect/vistrel-inspect ruby -I <build>/lib tests/faults/test_faults.rb
class TestFaults < VistrelTestCase
  light_gc :test_killed_export_leaves_a_truncated_file

  INSPECTOR = ENV.fetch('VISTREL_INSPECT', nil)
  NOBODY = 65_534

  def setup
    @exporter = SketchupExporter.new
  end

  def assert_open_fails(path, os_error)
    assert_raises_with(IOError, "cannot open scene file #{path}: #{os_error}") do
      @exporter.open_file(*open_args(path))
    end
  end

  def test_unwritable_outputs_raise_io_error_with_path_and_os_error
    assert_open_fails(folder, 'Is a directory')
    long = File.join(folder, 'x' * 5000, 'scene.vsf')
    assert_open_fails(long, 'File name too long')
    @exporter.open_file(*open_args('/dev/full'))
    @exporter.add_faces(*face_args)
    assert_raises_with(IOError, 'cannot write scene file /dev/full: No space left on device') do
      @exporter.close_file
    end
    @exporter.close_file # the failed export is over
  end

  # Root writes anywhere, so the export runs in a child that gives up root first.
  def test_unwritable_folder_raises_io_error
    locked = File.join(folder, 'locked')
    Dir.mkdir(locked, 0o555)
    File.chmod(0o755, folder)
    path = File.join(locked, 'scene.vsf')
    reader, writer = IO.pipe
    child = fork do
      reader.close
      if Process.uid.zero?
        Process::GID.change_privilege(NOBODY)
        Process::UID.change_privilege(NOBODY)
      end
      begin
        @exporter.open_file(*open_args(path))
        writer.write('no error')
      rescue Exception => e # rubocop:disable Lint/RescueException
        writer.write("#{e.class}: #{e.message}")
      end
      exit!(0)
    end
    writer.close
    report = reader.read
    Process.wait(child)
    assert_equal "IOError: cannot open scene file #{path}: Permission denied", report
    refute File.exist?(path)
  end

  # A forked child finds the export closed, whatever it calls and however it ends: the parent's
  # file comes out as it does without the fork.
  def test_a_forked_child_leaves_the_parents_export_alone
    alone = export_around(File.join(folder, 'alone.vsf'))
    [->(_) {}, ->(e) { e.close_file }, ->(e) { e.end_group }, ->(e) { e.open_file(*open_args('/dev/full')) }]
      .each_with_index do |child, i|
      assert_equal alone, export_around(File.join(folder, "forked#{i}.vsf"), child), "child #{i}"
    end
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

  # A named pipe needs a reader that takes the whole scene; without one the export fails rather
  # than lose the scene, and an interrupt ends an export the reader has stopped taking.
  def test_named_pipe_outputs
    fifo = File.join(folder, 'fifo')
    File.mkfifo(fifo)
    assert_open_fails(fifo, 'No such device or address')
    copy = File.join(folder, 'copy.vsf')
    reader = spawn('cat', fifo, out: copy)
    exporter_in_child(fifo, endless: false)
    Process.wait(reader)
    assert_equal run_large_export(File.join(folder, 'file.vsf')), File.binread(copy)

    File.open(fifo, File::RDONLY | File::NONBLOCK) { @exporter.open_file(*open_args(fifo)) }
    @exporter.add_faces(*face_args)
    assert_raises_with(IOError, "cannot write scene file #{fifo}: Broken pipe") { @exporter.close_file }

    File.open(fifo, File::RDONLY | File::NONBLOCK) do |stalled|
      pid = exporter_in_child(fifo, endless: true, wait: false)
      sleep 0.01 until File.read("/proc/#{pid}/wchan").include?('pipe_write') # the pipe is full
      Process.kill(:INT, pid)
      ended = Thread.new { Process.wait2(pid).last }
      assert ended.join(10), 'the interrupted export ended'
      assert_equal 'INT', Signal.signame(ended.value.termsig)
    end
  end

  def exporter_in_child(path, endless:, wait: true)
    script = large_export_script(path, endless: endless)
    pid = spawn(RbConfig.ruby, '-I', LIBRARY_DIR, '-e', script, err: File::NULL)
    wait ? Process.wait(pid) : pid
  end

  def with_renderer(bin_name)
    saved = %w[XDG_CONFIG_HOME XDG_CONFIG_DIRS].to_h { |name| [name, ENV.fetch(name, nil)] }
    config = File.join(folder, 'config')
    FileUtils.mkdir_p(File.join(config, 'Tavren'))
    File.write(File.join(config, 'Tavren', 'Vistrel.conf'), "BinName=#{bin_name}\n")
    ENV['XDG_CONFIG_HOME'] = config
    ENV['XDG_CONFIG_DIRS'] = File.join(folder, 'none')
    yield
  ensure
    saved.each { |name, value| value ? ENV[name] = value : ENV.delete(name) }
  end

  def test_renderer_that_cannot_start_raises_runtime_error
    @exporter.open_file(*open_args(File.join(folder, 'scene.vsf')))
    @exporter.close_file
    missing = File.join(folder, 'no-renderer')
    with_renderer(missing) do
      assert_raises_with(RuntimeError, "cannot start renderer #{missing}: No such file or directory") do
        @exporter.run_vistrel
      end
    end
    plain = File.join(folder, 'renderer.txt')
    File.write(plain, "not a program\n")
    File.chmod(0o644, plain)
    with_renderer(plain) do
      assert_raises_with(RuntimeError, "cannot start renderer #{plain}: Permission denied") do
        @exporter.run_vistrel
      end
    end
  end

  # A child writes a large scene; it is killed part-way. What reached the file is a prefix of
  # the whole export, and the inspector calls it truncated, not malformed.
  def test_killed_export_leaves_a_truncated_file
    skip 'VISTREL_INSPECT not set' unless INSPECTOR
    whole = File.join(folder, 'whole.vsf')
    run_large_export(whole)
    cut = File.join(folder, 'cut.vsf')
    pid = spawn(RbConfig.ruby, '-I', LIBRARY_DIR, '-e', large_export_script(cut, endless: true))
    sleep 0.001 until File.exist?(cut) && File.size(cut) > File.size(whole) / 3
    Process.kill(:KILL, pid)
    Process.wait(pid)
    assert_equal :KILL, Signal.signame($?.termsig).to_sym
    written = File.binread(cut)
    assert_operator written.size, :<, File.size(whole)
    assert_equal File.binread(whole, written.size), written, 'the file holds what was written, unchanged'
    output, status = Open3.capture2e(INSPECTOR, '--quiet', '--no-texture-check', cut)
    assert_equal 3, status.exitstatus, output
    assert_match(/truncated at byte offset \d+: .*blocks? still open/, output)
  end

  def run_large_export(path)
    _, status = Open3.capture2e(RbConfig.ruby, '-I', LIBRARY_DIR, '-e', large_export_script(path))
    assert status.success?
    File.binread(path)
  end

  # 200 groups of 10 meshes of 500 triangles (about 30 MB); with endless, it starts over without
  # end until it is killed.
  def large_export_script(path, endless: false)
    <<~RUBY
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
