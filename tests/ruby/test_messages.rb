# frozen_string_literal: true

require_relative 'helper'

# The exact texts of refused calls.
class TestMessages < VistrelTestCase
  def setup
    @exporter = SketchupExporter.new
  end

  def test_wrong_argument_counts
    assert_raises_with(ArgumentError, 'wrong # of arguments(1 for 0)') { SketchupExporter.new(1) }
    assert_raises_with(ArgumentError, 'wrong # of arguments(0 for 1)') { @exporter.begin_group }
    assert_raises_with(ArgumentError, 'wrong # of arguments(7 for 8)') { @exporter.open_file(*open_args('x')[0, 7]) }
    assert_raises_with(ArgumentError, 'wrong # of arguments(13 for 12)') { @exporter.add_faces2(*face_args, 1) }
  end

  # Each conversion kind names the position, the type word and the method; an array argument
  # that is no Array (a pointer object neither) is refused the same way.
  def test_conversion_failures
    assert_raises_with(TypeError, refused(1, 'int', 'String "abc"', 'add_faces')) do
      @exporter.add_faces(*face_args(1 => 'abc'))
    end
    assert_raises_with(TypeError, refused(7, 'char *', 'Integer 5', 'add_faces')) do
      @exporter.add_faces(*face_args(7 => 5))
    end
    assert_raises_with(TypeError, refused(8, 'bool', 'NilClass nil', 'open_file')) do
      @exporter.open_file(*open_args('x', 8 => nil))
    end
    assert_raises_with(TypeError, refused(3, 'float *', 'String "abc"', 'add_faces')) do
      @exporter.add_faces(*face_args(3 => 'abc'))
    end
    assert_raises_with(TypeError, refused(4, 'int *', 'NilClass nil', 'add_faces2')) do
      @exporter.add_faces2(*face_args(4 => nil))
    end
    assert_raises_with(TypeError, refused(1, 'float *', 'Hash {}', 'transform')) { @exporter.transform({}) }
    face = Face.new
    face.parr = [1, 2, 3]
    pointer = face.parr
    assert_raises(TypeError) { face.narr = pointer }
    text = refused(7, 'char *', "SWIG::TYPE_p_float #{pointer.inspect[0, 30]}...", 'add_faces')
    assert_raises_with(TypeError, text) { @exporter.add_faces(*face_args(7 => pointer)) }
    error = assert_raises(TypeError) { @exporter.add_faces(*face_args(3 => [0, 'a', 0] * 3)) }
    assert_equal 'no implicit conversion to float from string', error.message
  end

  def test_inspect_text_is_cut_after_30_bytes
    exactly30 = 'a' * 28 # inspect adds two quotes
    assert_raises_with(TypeError, refused(1, 'int', "String \"#{exactly30}\"", 'num_f')) do
      Face.new.num_f = exactly30
    end
    longer = 'b' * 29
    assert_raises_with(TypeError, refused(1, 'int', "String \"#{longer}...", 'num_f')) do
      Face.new.num_f = longer
    end
    error = assert_raises(TypeError) { Face.new.num_f = 'é' * 20 }
    assert_equal Encoding::UTF_8, error.message.encoding
    assert_equal "Expected argument 1 of type int, but got String \"#{'é' * 14}\xC3...".b,
                 error.message.lines.first.chomp.b
  end

  def test_numbers_out_of_range
    limit = 3.4028234663852886e+38
    face = Face.new
    face.a = limit
    assert_equal limit, face.a
    assert_raises_with(RangeError, refused(1, 'float', 'Float 1.0e+39', 'a')) { face.a = 1e39 }
    assert_raises_with(RangeError, refused(12, 'float', 'Float -Infinity', 'add_faces')) do
      @exporter.add_faces(*face_args(12 => -Float::INFINITY))
    end
    assert_equal limit, face.a, 'a refused value leaves the field as it was'
    assert_raises_with(RangeError, refused(1, 'int', 'Integer 2147483648', 'r')) { face.r = 2**31 }
  end

  def test_face_constructor_overloads
    prototypes = "Possible C/C++ prototypes are:\n    Face.new(int num_vertices, int num_faces, " \
                 'float *vs, int *fs, float *ns, float *uvs, char *material, char *texture, ' \
                 "int r, int g, int b, float a)\n    Face.new()\n"
    assert_raises_with(ArgumentError, "Wrong arguments for overloaded method 'Face.new'.\n#{prototypes}") do
      Face.new(*face_args(9 => 2**40))
    end
    assert_raises_with(ArgumentError, "Wrong # of arguments for overloaded method 'Face.new'.\n#{prototypes}") do
      Face.new(*face_args, 1)
    end
  end
end
