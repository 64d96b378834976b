# frozen_string_literal: true

require_relative 'helper'

# The exact texts of refused calls.
class TestMessages < VistrelTestCase
  def setup
    @exporter = SketchupExporter.new
  end

  def test_wrong_argument_counts
    assert_raises_with(ArgumentError, 'wrong # of arguments(1 for 0)') { SketchupExporter.new(1) }
    assert_raises_with(ArgumentError, 'wrong # of arguments(2 for 0)') { @exporter.close_file(1, 2) }
    assert_raises_with(ArgumentError, 'wrong # of arguments(0 for 1)') { @exporter.begin_group }
    assert_raises_with(ArgumentError, 'wrong # of arguments(3 for 1)') { Face.new.send(:num_p=, 1, 2, 3) }
    assert_raises_with(ArgumentError, 'wrong # of arguments(1 for 0)') { Face.new.num_p(1) }
    assert_raises_with(ArgumentError, 'wrong # of arguments(7 for 8)') { @exporter.open_file(*open_args('x')[0, 7]) }
    assert_raises_with(ArgumentError, 'wrong # of arguments(11 for 12)') { @exporter.add_faces(*face_args[0, 11]) }
    assert_raises_with(ArgumentError, 'wrong # of arguments(13 for 12)') { @exporter.add_faces2(*face_args, 1) }
  end

  def test_each_conversion_kind_names_position_type_word_and_method
    assert_raises_with(TypeError, refused(1, 'int', 'String "abc"', 'add_faces')) do
      @exporter.add_faces(*face_args(1 => 'abc'))
    end
    assert_raises_with(TypeError, refused(12, 'float', 'String "x"', 'add_faces2')) do
      @exporter.add_faces2(*face_args(12 => 'x'))
    end
    assert_raises_with(TypeError, refused(7, 'char *', 'Integer 5', 'add_faces')) do
      @exporter.add_faces(*face_args(7 => 5))
    end
    assert_raises_with(TypeError, refused(8, 'bool', 'NilClass nil', 'open_file')) do
      @exporter.open_file(*open_args('x', 8 => nil))
    end
    assert_raises_with(TypeError, refused(1, 'char *', 'Symbol :g', 'begin_group')) do
      @exporter.begin_group(:g)
    end
    assert_raises_with(TypeError, refused(1, 'int', 'Float 2.0', 'num_p')) { Face.new.num_p = 2.0 }
    assert_raises_with(TypeError, refused(1, 'float', 'NilClass nil', 'a')) { Face.new.a = nil }
  end

  def test_array_arguments_that_are_not_arrays
    assert_raises_with(TypeError, refused(3, 'float *', 'String "abc"', 'add_faces')) do
      @exporter.add_faces(*face_args(3 => 'abc'))
    end
    assert_raises_with(TypeError, refused(4, 'int *', 'NilClass nil', 'add_faces2')) do
      @exporter.add_faces2(*face_args(4 => nil))
    end
    assert_raises_with(TypeError, refused(1, 'float *', 'Hash {}', 'transform')) { @exporter.transform({}) }
    face = Face.new
    assert_raises_with(TypeError, refused(1, 'int *', 'Integer 1', 'farr')) { face.farr = 1 }
    # A pointer object is no Array either.
    face.parr = [1, 2, 3]
    pointer = face.parr
    assert_raises(TypeError) { face.narr = pointer }
  end

  def test_elements_the_interpreter_cannot_convert
    error = assert_raises(TypeError) { @exporter.add_faces(*face_args(3 => [0, 'a', 0] * 3)) }
    assert_equal 'no implicit conversion to float from string', error.message
    error = assert_raises(TypeError) { Face.new.farr = [1, nil] }
    assert_equal 'no implicit conversion from nil to integer', error.message
    assert_raises(RangeError) { Face.new.farr = [2**70] }
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
    accented = 'é' * 20
    error = assert_raises(TypeError) { Face.new.num_f = accented }
    assert_equal Encoding::UTF_8, error.message.encoding
    assert_equal "Expected argument 1 of type int, but got String \"#{'é' * 14}\xC3...".b,
                 error.message.lines.first.chomp.b
  end

  def test_float_range
    limit = 3.4028234663852886e+38
    face = Face.new
    face.a = limit
    assert_equal limit, face.a
    face.a = -limit
    face.a = 5
    assert_equal 5.0, face.a
    assert_raises_with(RangeError, refused(1, 'float', 'Float 1.0e+39', 'a')) { face.a = 1e39 }
    assert_raises_with(RangeError, refused(12, 'float', 'Float -Infinity', 'add_faces')) do
      @exporter.add_faces(*face_args(12 => -Float::INFINITY))
    end
    assert_equal 5.0, face.a, 'a refused value leaves the field as it was'
  end

  def test_int_range
    face = Face.new
    face.r = 2**31 - 1
    face.g = -2**31
    assert_equal [2**31 - 1, -2**31], [face.r, face.g]
    assert_raises_with(RangeError, refused(1, 'int', 'Integer 2147483648', 'r')) { face.r = 2**31 }
    assert_raises(TypeError) { face.r = 2**70 }
  end

  def test_bool_accepts_integers
    path = File.join(folder, 'flag.vsf')
    @exporter.open_file(*open_args(path, 8 => 1))
    @exporter.close_file
    assert File.exist?(path), 'use_path 1 means true'
    assert_raises_with(TypeError, refused(8, 'bool', 'String "yes"', 'open_file')) do
      @exporter.open_file(*open_args(path, 8 => 'yes'))
    end
  end

  def test_pointer_objects_are_not_texts
    face = Face.new
    face.parr = [1, 2, 3]
    pointer = face.parr
    text = refused(7, 'char *', "SWIG::TYPE_p_float #{pointer.inspect[0, 30]}...", 'add_faces')
    assert_raises_with(TypeError, text) { @exporter.add_faces(*face_args(7 => pointer)) }
    assert_raises(TypeError) { face.material = pointer }
  end

  FACE_PROTOTYPES =
    "    Face.new(int num_vertices, int num_faces, float *vs, int *fs, float *ns, float *uvs, " \
    "char *material, char *texture, int r, int g, int b, float a)\n    Face.new()\n"

  def overload_error(kind)
    "#{kind} for overloaded method 'Face.new'.\nPossible C/C++ prototypes are:\n#{FACE_PROTOTYPES}"
  end

  def test_face_constructor_overloads
    assert_raises_with(ArgumentError, overload_error('Wrong arguments')) { Face.new(1, 2, 3) }
    assert_raises_with(ArgumentError, overload_error('Wrong arguments')) { Face.new(1) }
    assert_raises_with(ArgumentError, overload_error('Wrong # of arguments')) do
      Face.new(*face_args, 1)
    end
    # Twelve arguments that fail the tests: a String count, a float array that is no Array,
    # a colour that does not fit, an opacity out of range.
    [{ 1 => 'x' }, { 3 => 'x' }, { 9 => 2**40 }, { 12 => 1e39 }, { 7 => 5 }].each do |change|
      assert_raises_with(ArgumentError, overload_error('Wrong arguments')) do
        Face.new(*face_args(change))
      end
    end
    face = Face.new(*face_args(7 => nil, 8 => 'wood.png'))
    assert_equal ['', 'wood.png', 3, 1, 255, 128, 0, 1.0],
                 [face.material, face.texture, face.num_p, face.num_f, face.r, face.g, face.b, face.a]
  end
end
