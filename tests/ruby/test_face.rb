# frozen_string_literal: true

require_relative 'helper'

# The face record's accessors and the arrays it owns.
class TestFace < VistrelTestCase
  def test_new_face_is_empty
    face = Face.new
    assert_equal [0, 0, 0, 0, 0, 0.0, '', ''],
                 [face.num_p, face.num_f, face.r, face.g, face.b, face.a, face.material, face.texture]
    assert_nil face.parr
    assert_nil face.farr
  end

  def test_fixed_text_lengths
    face = Face.new
    full = (1..256).map { |i| (65 + i % 26).chr }.join
    face.material = full
    assert_equal full, face.material, 'exactly 256 bytes are kept without a terminator'
    face.material = 'ab'
    assert_equal 'ab', face.material
    assert_raises_with(TypeError, refused(1, 'char [256]', "String \"#{'x' * 29}...", 'texture')) do
      face.texture = 'x' * 257
    end
    face.texture = 'kept'
    assert_raises(TypeError) { face.texture = 'y' * 300 }
    assert_equal 'kept', face.texture, 'a refused text leaves the field as it was'
    face.texture = nil
    assert_equal '', face.texture
  end

  def test_fixed_text_keeps_inner_nul_bytes
    face = Face.new
    face.material = "a\0b\0\0"
    assert_equal "a\0b", face.material
    face.material = "\0\0"
    assert_equal '', face.material
  end

  def test_scalar_fields
    face = Face.new
    face.num_p = 4
    face.num_f = -2
    face.r = 255
    face.a = 0.5
    assert_equal [4, -2, 255, 0.5], [face.num_p, face.num_f, face.r, face.a]
    face.a = 0.1
    assert_equal 0.1.to_s, face.a.round(7).to_s, 'stored as a float'
    refute_equal 0.1, face.a
  end

  def test_array_fields_return_pointer_objects
    face = Face.new
    face.parr = [1, 2, 3]
    face.narr = []
    face.uvarr = [1.5]
    face.farr = [1, 2, 3]
    [face.parr, face.narr, face.uvarr].each { |p| assert_equal SWIG::TYPE_p_float, p.class }
    assert_equal SWIG::TYPE_p_int, face.farr.class
  end

  def test_twelve_argument_form
    face = Face.new(2, 0, [1, 2, 3, 4, 5, 6], [], [0] * 6, [0] * 6, 'm' * 300, 't', 1, 2, 3, 0.25)
    assert_equal [2, 0, 1, 2, 3, 0.25], [face.num_p, face.num_f, face.r, face.g, face.b, face.a]
    assert_equal 'm' * 255, face.material, 'the constructor cuts texts at 255 bytes'
    assert_equal 't', face.texture
    assert_equal SWIG::TYPE_p_float, face.parr.class
  end

  def test_twelve_argument_form_checks_array_lengths
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
