# frozen_string_literal: true

require_relative '../ruby/helper'

# Calls the binding fuzzer found ending the process or corrupting memory, each kept as a test.
class TestFuzzRegressions < VistrelTestCase
  SANITIZED = File.read('/proc/self/maps').include?('libasan')

  # Sizes beyond reach used to abort the interpreter with a C++ exception; front and back of an
  # empty vector, iterators of other vectors, past an end or left behind by a shrink, read and
  # wrote outside the vector. Each is refused and leaves the vector as it was.
  def test_refused_vector_calls
    huge = 2**62
    ints = IntVector.new([1, 2])
    floats = FloatVector.new([1.0, 2.0, 3.0])
    stale = floats.end
    floats.reserve(1000)
    floats.pop
    other = FloatVector.new([9.0]).begin
    within = ->(method) { "iterator is not within this vector\n\tin SWIG method '#{method}'" }
    assert_refusals([[RuntimeError, 'cannot create std::vector larger than max_size()', -> { FloatVector.new(huge) }],
     [RuntimeError, 'vector::reserve', -> { IntVector.new.reserve(huge) }],
     [RuntimeError, 'vector::_M_default_append', -> { FloatVector.new.resize(huge) }],
     [RuntimeError, 'cannot create std::vector larger than max_size()', -> { ints.assign(huge, 1) }],
     [IndexError, "the vector is empty\n\tin SWIG method 'back'", -> { IntVector.new.back }],
     [IndexError, "the vector is empty\n\tin SWIG method 'front'", -> { FloatVector.new.front }],
     [IndexError, within['erase'], -> { floats.erase(other) }],
     [IndexError, within['insert'], -> { floats.insert(other, 1.0) }],
     [IndexError, within['erase'], -> { floats.erase(floats.end) }],
     [IndexError, within['insert'], -> { floats.insert(stale, 1.0) }],
     [IndexError, "iterator range is reversed\n\tin SWIG method 'erase'", -> { floats.erase(floats.end, floats.begin) }],
     [IndexError, 'index out of range', -> { floats.end.value = 5.0 }],
     [ArgumentError, 'bad iterator type', -> { ints.rbegin - ints.begin }]])
    assert_equal [[1, 2], [1.0, 2.0]], [ints.to_a, floats.to_a]
    # The sanitizer's allocator ends the process instead of failing a request this large.
    assert_raises_with(RuntimeError, 'std::bad_alloc') { FloatVector.new(2**45) } unless SANITIZED
  end

  # select wrote into the receiver; these returned a second object over the receiver's vector,
  # left dangling once the receiver was collected; []= on a slice returned an object over a
  # freed copy and read a missing first value to pad; a second initialize lost the vector held.
  def test_vector_results
    vector = FloatVector.new([1.0, 2.0, 3.0])
    assert_equal [[2.0], [1.0, 3.0], [1.0, 2.0, 3.0]], [vector.select { |x| x == 2 }.to_a, vector.reject { |x| x == 2 }.to_a, vector.to_a]
    [-> { vector.each { nil } }, -> { vector.map_bang { |x| x * 2 } }, -> { vector.reject! { |x| x > 5 } },
     -> { vector.delete_if { |x| x > 3 } }, -> { vector.unshift(7.0) }].each { |call| assert_same vector, call.call }
    kept = Array.new(20) { FloatVector.new([1.0, 2.0]).each { nil } }
    GC.start
    Array.new(1000) { [0.5] * 8 }
    assert_equal [[1.0, 2.0]] * 20, kept.map(&:to_a)
    values = [5.0, 6.0]
    assert_same values, vector.public_send(:[]=, 1, 0, values)
    assert_equal 9.0, vector.public_send(:[]=, 0, 9.0)
    vector[6, 0] = FloatVector.new
    assert_equal [9.0, 5.0, 6.0, 2.0, 0.0, 0.0], vector.to_a
    vector.send(:initialize, vector)
    assert_equal 6, vector.size
    vector.send(:initialize, 3)
    assert_equal [0.0] * 3, vector.to_a
  end

  # Iterators were raw C++ iterators: past an end, or once their vector had changed, value,
  # value= and inspect read and wrote memory the vector no longer had. They keep their vector
  # alive and in place, move within its ends only, and keep their index across changes.
  def test_iterators_check_their_vector_on_every_access
    vector = FloatVector.new([1.0, 2.0])
    last = vector.end
    assert_equal [nil, '#<Vistrel_sketchup_plugin::FloatVector::iterator nil>', nil, nil, nil, 2.0],
                 [last.value, last.inspect, last + 1, last.next, vector.begin - 1, (last - 1).value]
    first = vector.begin
    vector.clear
    assert_nil first.value
    vector.push(7.0)
    vector.reserve(1000)
    assert_equal 7.0, first.value, 'the index survives a move of the elements'
    first.value = 8.0
    vector.insert(vector.end, 4.0)
    assert_equal [8.0, 4.0], vector.to_a
    vector.send(:initialize, [4.0, 5.0, 6.0])
    assert_same first, first.next
    assert_equal 5.0, first.value
    vector.erase(vector.begin)
    assert_equal [5.0, 6.0], vector.to_a
    ints = IntVector.new([1, 2, 3])
    cursor = ints.rbegin
    walked = []
    (walked << cursor.value; cursor.next) until cursor == ints.rend
    assert_equal [[3, 2, 1], nil, nil, 3], [walked, cursor.value, cursor.next, ints.rend - ints.rbegin]
    refute ints.begin == IntVector.new([1]).begin
    iterators = Array.new(50) { |i| FloatVector.new([i.to_f]).begin.next(0) }
    GC.start
    GC.compact if GC.respond_to?(:compact)
    assert_equal (0...50).map(&:to_f), iterators.map(&:value)
  end

  # Block methods walked the vector with C++ iterators while the block changed it; reject! lost
  # what it had not reached when the block raised or broke; select and reject lost their new
  # vector.
  def test_blocks_may_change_the_vector_they_walk
    walks = {
      %i[each clear] => ->(v) { seen = []; v.each { |x| seen << x; v.clear if x == 2 }; seen },
      %i[each push] => ->(v) { v.each { |x| v.push(x * 10) if v.size < 8 }; v.to_a },
      %i[select pop] => ->(v) { v.select { v.pop; true }.to_a },
      %i[map_bang pop] => ->(v) { v.map_bang { |x| v.pop; x * 10 }.to_a },
      %i[map_bang initialize] => ->(v) { v.map_bang { |x| v.send(:initialize, 1); x }.to_a },
      %i[reject! clear] => ->(v) { v.reject! { v.clear; false }.to_a },
      %i[delete_if raise] => ->(v) { (v.delete_if { |x| raise 'stop' if x == 3; x.even? } rescue nil); v.to_a },
      %i[delete_if break] => ->(v) { v.delete_if { |x| break if x == 3; x == 1 }; v.to_a },
      %i[reject break] => ->(v) { v.reject { break } },
      %i[map_bang type] => ->(v) { (v.map_bang { 'x' } rescue $!.message) }
    }
    assert_equal [[1, 2], [1, 2, 3, 4, 10, 20, 30, 40], [1, 2], [10, 20], [1], [], [1, 3, 4], [2, 3, 4], nil,
                  'Yield block did not return a valid element for std::vector'],
                 walks.values.map { |walk| walk.call(IntVector.new([1, 2, 3, 4])) }
  end
end
