# frozen_string_literal: true

require_relative 'helper'

# Array elements reach the scene file as the numbers C gets from the interpreter's own
# conversions, whether the wrapper reads them straight from the Array (Floats, Fixnums) or
# through the interpreter (everything else), and in whatever order the two kinds come.
class TestConversion < VistrelTestCase
  # Floats held in the word (flonums) and on the heap, zeros of both signs, values beyond the
  # float range and below its smallest normal, Integers, and Numerics converted with to_f.
  FLOATS = [0.0, -0.0, 0.1, -2.5, 1.0 / 3, 1e-30, 3.4e38, 1e39, -1e300, 5e-324, 1e-310,
            Float::INFINITY, -Float::INFINITY, Float::NAN, 7, -(2**40), 2**62, 2**70,
            Rational(1, 3), 2.5r, 12.0].freeze
  # Fixnums at and beyond the 32-bit range (cut to their low 32 bits) and Floats truncated.
  INTS = [1, 0, -5, 2**31 - 1, -(2**31) + 1, 2**32 + 8, 2.9, -2.9, 2**40 + 3, 17].freeze

  # The items of the binary block that follows the array's name.
  def block_items(scene, name, format)
    header = scene.index("\"#{name}\" [\n")
    start = scene.index("\x01\x02\x03".b, header)
    count = scene[start + 4, 4].unpack1('l<')
    scene[start + 8, 4 * count].unpack(format)
  end

  # Writes one mesh with the float elements as positions and the ints as vertex numbers, and
  # returns the raw bytes of both arrays as written.
  def export(floats, ints)
    path = File.join(folder, 'conversion.vsf')
    exporter = SketchupExporter.new
    exporter.open_file(*open_args(path))
    exporter.add_faces(floats.size / 3, ints.size / 3, floats, ints, [0.0] * floats.size,
                       [0.0] * floats.size, 'm', '', 0, 0, 0, 1.0)
    exporter.close_file
    scene = File.binread(path)
    [block_items(scene, 'vertices', 'L<*'), block_items(scene, 'triangles', 'l<*')]
  end

  def expected_floats(values)
    values.map { |v| [Float(v)].pack('e').unpack1('L<') }
  end

  # Vertex numbers count from 1 in Ruby and from 0 in the file.
  def expected_ints(values)
    values.map { |v| [v.to_i - 1].pack('l<').unpack1('l<') }
  end

  def test_each_kind_of_element_converts_as_the_interpreter_converts_it
    floats = FLOATS + [1.5] * (-FLOATS.size % 3)
    ints = INTS + [1] * (-INTS.size % 3)
    vertices, triangles = export(floats, ints)
    assert_equal expected_floats(floats), vertices
    assert_equal expected_ints(ints), triangles
  end

  # Every element kind at every position: the wrapper switches from reading the Array
  # directly to asking the interpreter at the first element of another kind.
  def test_order_of_element_kinds_does_not_matter
    floats = (FLOATS.rotate(7) + FLOATS.reverse).first(3 * (2 * FLOATS.size / 3))
    ints = (INTS.rotate(3) + INTS.reverse).first(3 * (2 * INTS.size / 3))
    vertices, triangles = export(floats, ints)
    assert_equal expected_floats(floats), vertices
    assert_equal expected_ints(ints), triangles
  end

  # A conversion that runs Ruby code may change the Array; what it removed is refused, and
  # nothing past the Array's end is read.
  def test_array_emptied_by_a_conversion_is_refused
    floats = [1.0, 2.0, 3.0, nil, 5.0, 6.0]
    emptier = Object.new
    emptier.define_singleton_method(:to_f) do
      floats.clear
      4.0
    end
    floats[3] = emptier
    exporter = SketchupExporter.new
    exporter.open_file(*open_args(File.join(folder, 'emptied.vsf')))
    error = assert_raises(TypeError) do
      exporter.add_faces(2, 0, floats, [], [0.0] * 6, [0.0] * 6, 'm', '', 0, 0, 0, 1.0)
    end
    assert_equal 'no implicit conversion to float from nil', error.message
    exporter.close_file
  end
end
