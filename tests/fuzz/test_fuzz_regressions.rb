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
    stale = vector.begin
    vector.reserve(1000)
    assert_raises_with(IndexError, not_within['erase']) { vector.erase(stale) }
    assert_raises_with(IndexError, "iterator range is reversed\n\tin SWIG method 'erase'") do
      vector.erase(vector.end, vector.begin)
    end
    assert_equal [1.0, 2.0, 3.0], vector.to_a
    vector.insert(vector.end, 4.0)
    vector.erase(vector.begin)
    assert_equal [2.0, 3.0, 4.0], vector.to_a
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
