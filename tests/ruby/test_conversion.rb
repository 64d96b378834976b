# frozen_string_literal: true

require_relative 'helper'

# The wrapper reads Floats and Integers straight from the Array until the first element of
# another kind and then asks the interpreter; both ways must give the numbers the interpreter's
# own conversions give, so every kind comes at the start, in the middle and at the end.
class TestConversion < VistrelTestCase
  # Flonums and heap Floats, signed zero, values beyond the float range and subnormal, Integers
  # and Numerics converted with to_f.
  FLOATS = [0.1, -0.0, 1.0 / 3, 1e39, -1e300, 1e-310, Float::NAN, 7, 2**70, Rational(1, 3), 2.5r, 12.0].freeze
  # Integers beyond the 32-bit range are cut to their low 32 bits, Floats are truncated.
  INTS = [1, -5, 2**31 - 1, 2**32 + 8, 2.9, -2.9, 2**40 + 3, 17, 4].freeze

  def block_items(scene, name, format)
    start = scene.index("\x01\x02\x03".b, scene.index("\"#{name}\" [\n"))
    scene[start + 8, 4 * scene[start + 4, 4].unpack1('l<')].unpack(format)
  end

  def test_every_kind_of_element_converts_as_the_interpreter_converts_it
    floats = FLOATS + FLOATS.rotate(7).reverse
    ints = INTS + INTS.rotate(3).reverse
    path = File.join(folder, 'conversion.vsf')
    exporter = SketchupExporter.new
    exporter.open_file(*open_args(path))
    exporter.add_faces(floats.size / 3, ints.size / 3, floats, ints, floats, floats, 'm', '', 0, 0, 0, 1.0)
    exporter.close_file
    scene = File.binread(path)
    assert_equal floats.map { |v| [Float(v)].pack('e').unpack1('L<') }, block_items(scene, 'vertices', 'L<*')
    assert_equal ints.map { |v| [v.to_i - 1].pack('l<').unpack1('l<') }, block_items(scene, 'triangles', 'l<*')

    # A conversion that runs Ruby code may empty the Array: nothing past its end is read.
    floats = [1.0, 2.0, 3.0, Object.new, 5.0, 6.0]
    floats[3].define_singleton_method(:to_f) { floats.clear && 4.0 }
    exporter.open_file(*open_args(path))
    assert_raises_with(TypeError, 'no implicit conversion to float from nil') do
      exporter.add_faces(2, 0, floats, [], [0.0] * 6, [0.0] * 6, 'm', '', 0, 0, 0, 1.0)
    end
    exporter.close_file
  end
end
