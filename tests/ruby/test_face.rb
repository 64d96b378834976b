# frozen_string_literal: true

require_relative 'helper'

# The face record's fixed texts and the arrays it owns.
class TestFace < VistrelTestCase
  # 256 bytes are kept without a terminator, inner NULs stay and trailing ones go, longer
  # texts are refused and leave the field as it was, and nil clears it.
  def test_fixed_texts
    face = Face.new
    assert_equal ['', ''], [face.material, face.texture]
    full = (1..256).map { |i| (65 + i % 26).chr }.join
    face.material = full
    assert_equal full, face.material
    face.material = "a\0b\0\0"
    assert_equal "a\0b", face.material
    face.texture = 'kept'
    assert_raises_with(TypeError, refused(1, 'char [256]', "String \"#{'x' * 29}...", 'texture')) do
      face.texture = 'x' * 257
    end
    assert_equal 'kept', face.texture
    face.texture = nil
    assert_equal '', face.texture
  end

  def test_twelve_argument_form
    face = Face.new(2, 0, [1, 2, 3, 4, 5, 6], [], [0] * 6, [0] * 6, 'm' * 300, nil, 1, 2, 3, 0.25)
    assert_equal [2, 0, 1, 2, 3, 0.25], [face.num_p, face.num_f, face.r, face.g, face.b, face.a]
    assert_equal ['m' * 255, ''], [face.material, face.texture], 'texts are cut at 255 bytes'
    assert_equal SWIG::TYPE_p_float, face.parr.class
    assert_equal SWIG::TYPE_p_int, face.farr.class
    assert_raises_with(ArgumentError, 'ns has 6 elements, Face.new needs 9') do
      Face.new(3, 1, [0] * 9, [1, 2, 3], [0] * 6, [0] * 9, '', '', 0, 0, 0, 1.0)
    end
    assert_raises_with(ArgumentError, 'fs has 1 element, Face.new needs 6') do
      Face.new(0, 2, [], [1], [], [], '', '', 0, 0, 0, 1.0)
    end
    face = Face.new(-1, -5, [], [], [], [], '', '', 0, 0, 0, 1.0)
    assert_equal [-1, -5], [face.num_p, face.num_f], 'a negative count needs nothing'
  end
end
