# frozen_string_literal: true

require_relative 'helper'

# How arguments become native values, and what Ruby code run by a conversion cannot change.
class TestConversion < VistrelTestCase
  # The wrapper reads Floats and Integers straight from the Array until the first element of
  # another kind and then asks the interpreter; both ways must give the numbers the interpreter's
  # own conversions give, so every kind comes at the start, in the middle and at the end.
  FLOATS = [0.1, -0.0, 1.0 / 3, 3.4028234663852886e+38, -1e-300, 1e-310, Float::NAN, 7, 2**70, Rational(1, 3), 2.5r, 12.0].freeze
  INTS = [1, -5, 2**31 - 1, -2**31, 2.9, -2.9, 17, 4, 0].freeze

  def block_items(scene, name, format)
    start = scene.index("\x01\x02\x03".b, scene.index("\"#{name}\" [\n"))
    scene[start + 8, 4 * scene[start + 4, 4].unpack1('l<')].unpack(format)
  end

  def open_exporter(name = 'conversion.vsf')
    @exporter = SketchupExporter.new.tap { |exporter| exporter.open_file(*open_args(File.join(folder, name))) }
  end

  def test_every_kind_of_element_converts_as_the_interpreter_converts_it
    floats = FLOATS + FLOATS.rotate(7).reverse
    ints = INTS + INTS.rotate(3).reverse
    exporter = open_exporter
    exporter.add_faces(floats.size / 3, ints.size / 3, floats, ints, floats, floats, 'm', '', 0, 0, 0, 1.0)
    exporter.close_file
    scene = File.binread(File.join(folder, 'conversion.vsf'))
    assert_equal floats.map { |v| [Float(v)].pack('e').unpack1('L<') }, block_items(scene, 'vertices', 'L<*')
    assert_equal ints.map { |v| [v.to_i - 1].pack('l<').unpack1('l<') }, block_items(scene, 'triangles', 'l<*')
  end

  # Elements beyond their type's range are refused as the same scalar is, with their place;
  # texts with a NUL byte as File.open refuses them.
  def test_values_that_would_change_are_refused
    exporter = open_exporter
    element = ->(at, index, type, shown) { "Expected element #{index} of argument #{at} of type #{type}, but got #{shown}\n\tin SWIG method 'add_faces'" }
    ranges = [[4, [1, 2, 2**32 + 4], 2, 'int', 'Integer 4294967300'], [4, [1e10, 2, 3], 0, 'int', 'Float 10000000000.0'],
              [3, [0, 0, 1e39] + [0] * 6, 2, 'float', 'Float 1.0e+39'], [5, [-Float::INFINITY] * 9, 0, 'float', 'Float -Infinity']]
    face = Face.new
    nuls = [-> { exporter.open_file(*open_args(File.join(folder, "a.vsf\0.txt"))) }, -> { exporter.add_faces(*face_args(7 => "a\0one")) },
            -> { exporter.add_faces2(*face_args(8 => "t\0")) }, -> { exporter.begin_group("g\0") },
            -> { Face.new(*face_args(7 => "\0")) }, -> { face.material = "a\0" }]
    assert_refusals(ranges.map { |at, value, *shown| [RangeError, element[at, *shown], -> { exporter.add_faces(*face_args(at => value)) }] } +
                    nuls.map { |call| [ArgumentError, 'string contains null byte', call] })
    refute File.exist?(File.join(folder, 'a.vsf'))
  end

  # Code run by an element's conversion re-initialises the receiver, grows the texts the call
  # took, or empties the Array being converted: the call works on the receiver as it is then and
  # on the texts as they were given (the sanitizer build reports any use of freed memory).
  def test_conversions_that_change_what_the_call_took
    exporter = @exporter = SketchupExporter.new
    renew = element { exporter.send(:initialize) }
    results = [-> { exporter.add_faces(*face_args(3 => [renew] + [0.0] * 8)) }, -> { exporter.transform([renew] * 16) },
               -> { exporter.add_faces2(*face_args(5 => [renew] * 9)) }].map do |call|
      exporter.open_file(*open_args(File.join(folder, 'renewed.vsf')))
      call.call
    rescue RuntimeError => e
      e.message
    end
    assert_equal ['add_faces: no export is open', 'transform: no export is open', nil], results
    face = Face.new(*face_args)
    face.parr = [element { face.send(:initialize) }] * 3
    assert_equal [0, ''], [face.num_p, face.material]

    path = +File.join(folder, 'given.vsf')
    model = +'model'
    exporter.open_file(*open_args(path, 1 => model, 3 => [element { path << 'p' * 100_000 && model << 'm' * 100_000 }] * 3))
    exporter.close_file
    assert_includes File.binread(File.join(folder, 'given.vsf')), %(group "model" {)

    vector = FloatVector.new([1.0, 2.0, 3.0])
    range = Class.new(Range) { define_method(:begin) { vector.send(:initialize, [9.0]) && super() } }
    assert_equal [9.0], vector[range.new(0, 2)].to_a

    floats = [1.0, 2.0, 3.0, element { floats.clear }, 5.0, 6.0]
    assert_raises_with(TypeError, 'no implicit conversion to float from nil') { open_exporter.add_faces(2, 0, floats, [], [0.0] * 6, [0.0] * 6, 'm', '', 0, 0, 0, 1.0) }
    exporter.close_file
  end
end
