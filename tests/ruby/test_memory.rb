# frozen_string_literal: true

require 'fiddle'
require_relative 'helper'

# Converted arrays are released after each call, when a call fails part-way (also while another
# call's conversion is suspended in a Fiber), and when a face record dies or replaces a field:
# 200 rounds with large arrays would otherwise grow the process by hundreds of MB. glibc keeps
# freed memory, so it is handed back before each measure.
class TestMemory < VistrelTestCase
  light_gc :test_repeated_calls_do_not_grow_the_process

  VS = Array.new(30_000) { |i| i * 0.5 }.freeze
  FS = Array.new(3 * 9_998) { |i| i / 3 + 1 + i % 3 }.freeze
  TRIM = Fiddle::Function.new(Fiddle.dlopen(nil)['malloc_trim'], [Fiddle::TYPE_SIZE_T], Fiddle::TYPE_INT)

  # Pages given back lazily (MADV_FREE) are the system's to take: they are not counted.
  def rss_kb
    GC.start
    TRIM.call(0)
    rollup = File.read('/proc/self/smaps_rollup')
    rollup[/^Rss:\s+(\d+)/, 1].to_i - rollup[/^LazyFree:\s+(\d+)/, 1].to_i
  end

  def big_args(overrides = {})
    face_args({ 1 => 10_000, 2 => 9_998, 3 => VS, 4 => FS, 5 => VS, 6 => VS }.merge(overrides))
  end

  # Arrays small enough for the chunks add_faces2 keeps them in.
  SMALL_VS = VS.first(15_000).freeze
  SMALL_FS = FS.first(3 * 4_998).freeze

  def small_args(overrides = {})
    big_args({ 1 => 5_000, 2 => 4_998, 3 => SMALL_VS, 4 => SMALL_FS, 5 => SMALL_VS, 6 => SMALL_VS }.merge(overrides))
  end

  def test_repeated_calls_do_not_grow_the_process
    skip 'AddressSanitizer keeps freed memory in quarantine' if File.read('/proc/self/maps').include?('libasan')
    exporter = SketchupExporter.new
    path = File.join(folder, 'repeated.vsf')
    calls = lambda do
      exporter.open_file(*open_args(path))
      exporter.add_faces(*big_args)
      exporter.add_faces2(*big_args)
      exporter.add_faces2(*small_args)
      exporter.transform(Array.new(16, 1.0))
      exporter.close_file
      # A later argument, an element, a length check and the exporter itself refuse the call.
      assert_raises(TypeError) { exporter.add_faces2(*big_args(12 => 'x')) }
      assert_raises(TypeError) { exporter.add_faces2(*small_args(12 => 'x')) }
      assert_raises(TypeError) { exporter.add_faces(*big_args(6 => VS + ['x'])) }
      assert_raises(ArgumentError) { exporter.add_faces2(*big_args(1 => 10_001)) }
      assert_raises(RuntimeError) { exporter.add_faces(*big_args) }
      Face.new(*big_args).parr = VS
    end
    suspended = Fiber.new { exporter.transform([element { Fiber.yield }] + [0.0] * 15) }.tap(&:resume)
    50.times { calls.call }
    before = rss_kb
    200.times { calls.call }
    assert_operator rss_kb - before, :<, 4 * 1024
    assert_raises(RuntimeError) { suspended.resume }
  end
end
