# frozen_string_literal: true

require_relative 'helper'

# Converted arrays are released: after each call, when a call fails part-way, and when a face
# record dies or replaces a field. Each case repeats a call with large arrays 200 times; a
# leak would grow the process by about 100 MB; the resident size is compared after a full
# collection with freed memory handed back to the system.
class TestMemory < VistrelTestCase
  light_gc :test_repeated_exports_do_not_grow_the_process,
           :test_failed_calls_release_what_they_converted,
           :test_face_records_release_their_arrays

  VERTICES = 10_000
  BIG = {
    vs: Array.new(3 * VERTICES) { |i| i * 0.5 },
    fs: Array.new(3 * (VERTICES - 2)) { |i| i / 3 + 1 + i % 3 },
    ns: [0.0, 0.0, 1.0] * VERTICES,
    uvs: Array.new(3 * VERTICES, 0.25)
  }.freeze
  ALLOWED_GROWTH_KB = 4 * 1024

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

  # AddressSanitizer holds freed memory back in quarantine, so the resident size says nothing
  # there; its own checks and the valgrind leak check cover these cases instead.
  SANITIZED = File.read('/proc/self/maps').include?('libasan')

  # Runs the block 50 times to warm up, then 200 times, and returns the growth in KB.
  def growth_kb
    skip 'resident size is not comparable under AddressSanitizer' if SANITIZED
    50.times { yield }
    before = rss_kb
    200.times { yield }
    rss_kb - before
  end

  def big_args(overrides = {})
    face_args({ 1 => VERTICES, 2 => VERTICES - 2, 3 => BIG[:vs], 4 => BIG[:fs], 5 => BIG[:ns],
                6 => BIG[:uvs] }.merge(overrides))
  end

  def test_repeated_exports_do_not_grow_the_process
    exporter = SketchupExporter.new
    path = File.join(folder, 'repeated.vsf')
    growth = growth_kb do
      exporter.open_file(*open_args(path))
      exporter.add_faces(*big_args)
      exporter.add_faces2(*big_args)
      exporter.add_faces2(*big_args(7 => 'other'))
      exporter.transform(Array.new(16, 1.0))
      exporter.close_file
    end
    assert_operator growth, :<, ALLOWED_GROWTH_KB
  end

  def test_failed_calls_release_what_they_converted
    exporter = SketchupExporter.new
    growth = growth_kb do
      # A later argument, an element, a length check and the exporter itself refuse the call.
      assert_raises(TypeError) { exporter.add_faces2(*big_args(12 => 'x')) }
      assert_raises(TypeError) { exporter.add_faces(*big_args(6 => BIG[:uvs] + ['x'])) }
      assert_raises(ArgumentError) { exporter.add_faces2(*big_args(1 => VERTICES + 1)) }
      assert_raises(RuntimeError) { exporter.add_faces(*big_args) }
    end
    assert_operator growth, :<, ALLOWED_GROWTH_KB
  end

  def test_face_records_release_their_arrays
    growth = growth_kb do
      face = Face.new(*big_args)
      face.parr = BIG[:vs]
      face.farr = BIG[:fs]
    end
    assert_operator growth, :<, ALLOWED_GROWTH_KB
  end

  # Pending batches must not point at arrays the binding has already released.
  def test_batched_faces_survive_the_release_of_their_arrays
    path = File.join(folder, 'batched.vsf')
    exporter = SketchupExporter.new
    exporter.open_file(*open_args(path))
    exporter.add_faces2(*face_args)
    GC.start
    garbage = Array.new(1000) { Array.new(9, 7.0) } # reuses freed memory, if any
    exporter.add_faces2(*face_args)
    exporter.close_file
    reference = File.join(folder, 'reference.vsf')
    exporter.open_file(*open_args(reference))
    exporter.add_faces2(*face_args)
    exporter.add_faces2(*face_args)
    exporter.close_file
    assert_equal File.binread(reference), File.binread(path)
    assert_equal 1000, garbage.size
  end
end
