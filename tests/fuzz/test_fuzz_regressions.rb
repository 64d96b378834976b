# frozen_string_literal: true

require 'open3'
require_relative '../ruby/helper'

# Calls the binding fuzzer found ending the process or corrupting memory, each kept as a test.
class TestFuzzRegressions < VistrelTestCase
  SANITIZED = File.read('/proc/self/maps').include?('libasan')

  # A std::length_error or std::bad_alloc used to escape into the interpreter and abort it.
  def test_vector_sizes_beyond_reach_raise_runtime_error
    huge = 2**62
    assert_raises_with(RuntimeError, 'cannot create std::vector larger than max_size()') do
      FloatVector.new(huge)
    end
    assert_raises_with(RuntimeError, 'vector::reserve') { IntVector.new.reserve(huge) }
    assert_raises_with(RuntimeError, 'vector::_M_default_append') { FloatVector.new.resize(huge) }
    vector = IntVector.new([1, 2])
    assert_raises(RuntimeError) { vector.assign(huge, 1) }
    assert_equal [1, 2], vector.to_a, 'a refused call leaves the vector as it was'
    # The sanitizer's allocator ends the process instead of failing a request this large.
    assert_raises_with(RuntimeError, 'std::bad_alloc') { FloatVector.new(2**45) } unless SANITIZED
  end

  def test_front_and_back_of_an_empty_vector_raise_index_error
    assert_raises_with(IndexError, "the vector is empty\n\tin SWIG method 'back'") { IntVector.new.back }
    assert_raises_with(IndexError, "the vector is empty\n\tin SWIG method 'front'") { FloatVector.new.front }
    assert_equal 2.5, FloatVector.new([1.5, 2.5]).back
  end

  # select wrote the chosen elements into the receiver, at a position of the new vector.
  def test_select_returns_the_chosen_elements
    vector = IntVector.new([1, 2, 3, 4])
    chosen = vector.select(&:even?)
    assert_equal [2, 4], chosen.to_a
    assert_equal [1, 2, 3, 4], vector.to_a
  end

  # These returned a second object over the receiver's vector, left dangling once the receiver
  # was collected.
  def test_methods_returning_the_vector_return_their_receiver
    vector = FloatVector.new([1.0, 2.0, 3.0])
    assert_same vector, vector.each { |_| nil }
    assert_same vector, vector.map_bang { |x| x * 2 }
    assert_same vector, vector.reject! { |x| x > 5 }
    assert_same vector, vector.delete_if { |x| x > 3 }
    assert_same vector, vector.unshift(7.0)
    kept = Array.new(20) { FloatVector.new([1.0, 2.0]).each { |_| nil } }
    GC.start
    Array.new(1000) { [0.5] * 8 }
    assert_equal [[1.0, 2.0]] * 20, kept.map(&:to_a)
  end

  # []= on a slice returned an object over the converted copy of its value, freed at return.
  def test_slice_assignment_returns_the_value_assigned
    vector = FloatVector.new([1.0, 2.0])
    values = [5.0, 6.0]
    assert_same values, vector.public_send(:[]=, 1, 0, values)
    assert_equal 9.0, vector.public_send(:[]=, 0, 9.0)
    assert_equal [9.0, 5.0, 6.0, 2.0], vector.to_a
  end

  # A second initialize lost the vector the object held (scripts/leak-check.sh counts it).
  def test_second_initialize_replaces_the_vector
    vector = FloatVector.new([1.0, 2.0])
    vector.send(:initialize, vector)
    assert_equal [1.0, 2.0], vector.to_a
    vector.send(:initialize, 3)
    assert_equal [0.0] * 3, vector.to_a
  end

  # insert and erase used iterators of other vectors, or of a vector that had since moved.
  def test_iterators_must_point_into_their_vector
    vector = FloatVector.new([1.0, 2.0, 3.0])
    other = FloatVector.new([9.0])
    not_within = ->(method) { "iterator is not within this vector\n\tin SWIG method '#{method}'" }
    assert_raises_with(IndexError, not_within['erase']) { vector.erase(other.begin) }
    assert_raises_with(IndexError, not_within['insert']) { vector.insert(other.begin, 1.0) }
    assert_raises_with(IndexError, not_within['erase']) { vector.erase(vector.end) }
    # An iterator keeps its index: past the end once the vector shrank, refused.
    stale = vector.end
    vector.reserve(1000)
    vector.pop
    assert_raises_with(IndexError, not_within['insert']) { vector.insert(stale, 1.0) }
    vector.push(3.0)
    assert_raises_with(IndexError, "iterator range is reversed\n\tin SWIG method 'erase'") do
      vector.erase(vector.end, vector.begin)
    end
    assert_equal [1.0, 2.0, 3.0], vector.to_a
    vector.insert(vector.end, 4.0)
    vector.erase(vector.begin)
    assert_equal [2.0, 3.0, 4.0], vector.to_a
  end

  # Iterators were raw C++ iterators: past an end, or once their vector had changed, value,
  # value= and inspect read and wrote memory the vector no longer had.
  def test_iterators_check_their_vector_on_every_access
    vector = FloatVector.new([1.0, 2.0])
    last = vector.end
    assert_nil last.value
    assert_equal '#<Vistrel_sketchup_plugin::FloatVector::iterator nil>', last.inspect
    assert_raises_with(IndexError, 'index out of range') { last.value = 5.0 }
    assert_nil last + 1
    assert_nil last.next
    assert_nil vector.begin - 1
    assert_equal 2.0, (last - 1).value
    first = vector.begin
    vector.clear
    assert_nil first.value
    vector.push(7.0)
    vector.reserve(1000)
    assert_equal 7.0, first.value, 'the index survives a move of the elements'
    first.value = 8.0
    assert_equal [8.0], vector.to_a
    vector.send(:initialize, [4.0, 5.0])
    assert_same first, first.next
    assert_equal 5.0, first.value
  end

  def test_reverse_iterators_walk_backwards_within_the_ends
    vector = IntVector.new([1, 2, 3])
    walked = []
    cursor = vector.rbegin
    until cursor == vector.rend
      walked << cursor.value
      cursor.next
    end
    assert_equal [3, 2, 1], walked
    assert_nil cursor.value
    assert_nil cursor.next
    assert_equal 3, vector.rend - vector.rbegin
    assert_raises_with(ArgumentError, 'bad iterator type') { vector.rbegin - vector.begin }
    refute vector.begin == IntVector.new([1]).begin
  end

  # Iterators keep their vector alive, and in place when the collector compacts.
  def test_iterators_outlive_their_vectors_references
    iterators = Array.new(50) { |i| FloatVector.new([i.to_f]).begin.next(0) }
    GC.start
    GC.compact if GC.respond_to?(:compact)
    assert_equal (0...50).map(&:to_f), iterators.map(&:value)
  end

  # Block methods walked the vector with C++ iterators while the block changed it.
  def test_blocks_may_change_the_vector_they_walk
    vector = IntVector.new([1, 2, 3, 4])
    seen = []
    vector.each { |x| seen << x; vector.clear if x == 2 }
    assert_equal [1, 2], seen
    vector = IntVector.new([1, 2])
    vector.each { |x| vector.push(x * 10) if vector.size < 6 }
    assert_equal [1, 2, 10, 20, 100, 200], vector.to_a
    vector = IntVector.new([1, 2, 3, 4])
    assert_equal [1, 2], vector.select { |x| vector.pop; true }.to_a
    vector = IntVector.new([1, 2, 3, 4])
    assert_equal [10, 20], vector.map_bang { |x| vector.pop; x * 10 }.to_a
    vector = IntVector.new([1, 2, 3])
    vector.map_bang { |x| vector.send(:initialize, 1); x }
    assert_equal [1], vector.to_a
    vector = FloatVector.new([1.0, 2.0, 3.0])
    assert_equal [], vector.reject! { |_| vector.clear; false }.to_a
  end

  def test_reject_bang_keeps_what_it_did_not_reach
    vector = IntVector.new([1, 2, 3, 4, 5, 6])
    assert_raises(RuntimeError) { vector.delete_if { |x| raise 'stop' if x == 5; x.even? } }
    assert_equal [1, 3, 5, 6], vector.to_a
    vector.delete_if { |x| break if x == 5; x == 1 }
    assert_equal [3, 5, 6], vector.to_a
  end

  # select and reject lost their new vector when the block raised or broke out.
  def test_select_and_reject_leave_their_result_to_the_collector
    vector = FloatVector.new([1.0, 2.0])
    assert_raises_with(RuntimeError, 'no') { vector.select { |_| raise 'no' } }
    assert_nil vector.reject { |_| break }
    assert_equal [2.0], vector.reject { |x| x < 2 }.to_a
    assert_raises_with(TypeError, 'Yield block did not return a valid element for std::vector') do
      vector.map_bang { |_| 'x' }
    end
  end

  # []= past the end with no values read the first of them.
  def test_slice_assignment_past_the_end_with_no_values
    vector = IntVector.new([1, 2])
    vector[4, 0] = IntVector.new
    assert_equal [1, 2, 0, 0], vector.to_a
  end

  # An extra end_group closed the top group, and close_file left groups open: files that the
  # inspector could not read, from exports that had reported success.
  def test_group_nesting_stays_balanced
    exporter = SketchupExporter.new
    path = File.join(folder, 'groups.vsf')
    exporter.open_file(*open_args(path))
    assert_raises_with(RuntimeError, 'end_group: no group is open') { exporter.end_group }
    exporter.begin_group('outer')
    exporter.begin_group('')
    exporter.add_faces2(*face_args)
    exporter.close_file
    text = File.binread(path)
    assert text.end_with?("    }\n  }\n}\n"), 'both groups and the top group end the file'
    inspector = ENV.fetch('VISTREL_INSPECT', nil)
    skip 'VISTREL_INSPECT not set' unless inspector
    output, status = Open3.capture2e(inspector, '--quiet', '--no-texture-check', path)
    assert status.success?, output
  end
end
