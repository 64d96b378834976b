# frozen_string_literal: true

require_relative 'helper'

# Array elements reach the scene file as the numbers C gets from the interpreter's own
# conversions, whether the wrapper reads them straight from the Array (Floats, Fixnums) or
# through the interpreter (everything else).
class TestConversion < VistrelTestCase
  # Flonums and heap Floats, signed zeros, values beyond the float range and below its smallest
  # normal, Integers, and Numerics converted with to_f.
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

  # The raw items of one mesh written with the floats as positions and the ints as vertex numbers.
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

  # The wrapper reads the Array directly until the first element of another kind and then asks
  # the interpreter, so every kind comes at the start, in the middle and at the end.
  def test_every_kind_of_element_converts_as_the_interpreter_converts_it
    floats = (FLOATS + FLOATS.rotate(7).reverse).first(3 * (2 * FLOATS.size / 3))
    ints = (INTS + INTS.rotate(3).reverse).first(3 * (2 * INTS.size / 3))
    vertices, triangles = export(floats, ints)
    assert_equal expected_floats(floats), vertices
    assert_equal expected_ints(ints), triangles
  end

  # A conversion that runs Ruby code may empty the Array: nothing past its end is read.
  def test_array_emptied_by_a_conversion_is_refused
    floats = [1.0, 2.0, 3.0, Object.new, 5.0, 6.0]
    floats[3].define_singleton_method(:to_f) { floats.clear && 4.0 }
    exporter = SketchupExporter.new
    exporter.open_file(*open_args(File.join(folder, 'emptied.vsf')))
    assert_raises_with(TypeError, 'no implicit conversion to float from nil') do
      exporter.add_faces(2, 0, floats, [], [0.0] * 6, [0.0] * 6, 'm', '', 0, 0, 0, 1.0)
    end
  end
end
