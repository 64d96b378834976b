# frozen_string_literal: true

require_relative 'helper'

# Converted arrays are released: after each call, when a call fails part-way, and when a face
# record dies or replaces a field. Calls with large arrays repeat 200 times; a leak would grow
# the process by hundreds of MB. The resident size is compared after a full collection with
# freed memory handed back to the system.
class TestMemory < VistrelTestCase
  light_gc :test_repeated_calls_do_not_grow_the_process

  VERTICES = 10_000
  VS = Array.new(3 * VERTICES) { |i| i * 0.5 }.freeze
  FS = Array.new(3 * (VERTICES - 2)) { |i| i / 3 + 1 + i % 3 }.freeze

  # glibc keeps freed memory for reuse; handing it back makes the resident size comparable.
  TRIM = begin
    require 'fiddle'
    Fiddle::Function.new(Fiddle.dlopen(nil)['malloc_trim'], [Fiddle::TYPE_SIZE_T], Fiddle::TYPE_INT)
  rescue StandardError, LoadError
    nil
  end

  def rss_kb
    GC.start
    TRIM&.call(0)
    File.read('/proc/self/status')[/^VmRSS:\s+(\d+)/, 1].to_i
  end

  def big_args(overrides = {})
    face_args({ 1 => VERTICES, 2 => VERTICES - 2, 3 => VS, 4 => FS, 5 => VS, 6 => VS }.merge(overrides))
  end

  def test_repeated_calls_do_not_grow_the_process
    # AddressSanitizer holds freed memory back in quarantine; its own checks cover this there.
    skip 'resident size is not comparable under AddressSanitizer' if File.read('/proc/self/maps').include?('libasan')
    exporter = SketchupExporter.new
    path = File.join(folder, 'repeated.vsf')
    calls = lambda do
      exporter.open_file(*open_args(path))
      exporter.add_faces(*big_args)
      exporter.add_faces2(*big_args)
      exporter.add_faces2(*big_args(7 => 'other'))
      exporter.transform(Array.new(16, 1.0))
      exporter.close_file
      # A later argument, an element, a length check and the exporter itself refuse the call.
      assert_raises(TypeError) { exporter.add_faces2(*big_args(12 => 'x')) }
      assert_raises(TypeError) { exporter.add_faces(*big_args(6 => VS + ['x'])) }
      assert_raises(ArgumentError) { exporter.add_faces2(*big_args(1 => VERTICES + 1)) }
      assert_raises(RuntimeError) { exporter.add_faces(*big_args) }
      face = Face.new(*big_args)
      face.parr = VS
      face.farr = FS
    end
    50.times { calls.call }
    before = rss_kb
    200.times { calls.call }
    assert_operator rss_kb - before, :<, 4 * 1024
  end
end
