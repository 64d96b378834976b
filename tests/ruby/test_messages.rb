# frozen_string_literal: true

require_relative 'helper'

# The exact texts of refused calls, and the face record's fixed texts.
class TestMessages < VistrelTestCase
  # Argument counts; each conversion kind names the position, the type word and the method (an
  # array argument that is no Array, or a pointer object, is refused the same way; an inspect
  # text of 30 bytes is shown whole, a longer one is cut after 30 bytes, even inside a
  # character); numbers out of range; nil where an iterator is required; Face.new's overloads;
  # short arrays, refused before anything runs; output failures (IOError) and calls out of order.
  def test_refused_calls
    exporter = @exporter = SketchupExporter.new
    short = File.join(folder, 'short.vsf')
    missing = File.join(folder, 'no', 'such', 'scene.vsf')
    face = Face.new
    face.parr = [1, 2, 3]
    face.a = 3.4028234663852886e+38
    pointer = face.parr
    iterator = FloatVector.new([1.0]).begin
    prototypes = File.read(File.join(DATA_DIR, 'face_new_prototypes.txt'))
    overload = ->(what) { "#{what} for overloaded method 'Face.new'.\n#{prototypes}" }
    null = ->(operator) { "invalid null reference #{refused(1, 'swig::Iterator const &', 'NilClass nil', "operator #{operator}")}" }
    assert_refusals([[ArgumentError, 'wrong # of arguments(1 for 0)', -> { SketchupExporter.new(1) }],
     [ArgumentError, 'wrong # of arguments(0 for 1)', -> { exporter.begin_group }],
     [ArgumentError, 'wrong # of arguments(7 for 8)', -> { exporter.open_file(*open_args('x')[0, 7]) }],
     [ArgumentError, 'wrong # of arguments(13 for 12)', -> { exporter.add_faces2(*face_args, 1) }],
     [TypeError, refused(1, 'int', 'String "abc"', 'add_faces'), -> { exporter.add_faces(*face_args(1 => 'abc')) }],
     [TypeError, refused(7, 'char *', 'Integer 5', 'add_faces'), -> { exporter.add_faces(*face_args(7 => 5)) }],
     [TypeError, refused(3, 'float *', 'String "abc"', 'add_faces'), -> { exporter.add_faces(*face_args(3 => 'abc')) }],
     [TypeError, refused(4, 'int *', 'NilClass nil', 'add_faces'), -> { exporter.add_faces(*face_args(4 => nil)) }],
     [TypeError, refused(8, 'bool', 'NilClass nil', 'open_file'), -> { exporter.open_file(*open_args('x', 8 => nil)) }],
     [TypeError, refused(7, 'char *', "SWIG::TYPE_p_float #{pointer.inspect[0, 30]}...", 'add_faces'),
      -> { exporter.add_faces(*face_args(7 => pointer)) }],
     [TypeError, refused(1, 'int', "String \"#{'a' * 28}\"", 'num_f'), -> { face.num_f = 'a' * 28 }],
     [TypeError, 'no implicit conversion to float from string', -> { exporter.add_faces(*face_args(3 => [0, 'a', 0] * 3)) }],
     [RangeError, refused(1, 'float', 'Float 1.0e+39', 'a'), -> { face.a = 1e39 }],
     [RangeError, refused(9, 'int', 'Integer 2147483648', 'add_faces'), -> { exporter.add_faces(*face_args(9 => 2**31)) }],
     [ArgumentError, null['-'], -> { iterator - nil }],
     [ArgumentError, null['=='], -> { iterator == nil }],
     [ArgumentError, overload['Wrong arguments'], -> { Face.new(*face_args(9 => 2**40)) }],
     [TypeError, refused(1, 'int', "String \"#{'é' * 14}\xC3...", 'num_f'), -> { face.num_f = 'é' * 20 }],
     [ArgumentError, overload['Wrong # of arguments'], -> { Face.new(*face_args, 1) }],
     [ArgumentError, 'eye has 2 elements, open_file needs 3', -> { exporter.open_file(*open_args(short, 3 => [1, 2])) }],
     [IOError, "cannot open scene file #{missing}: No such file or directory", -> { exporter.open_file(*open_args(missing)) }],
     [RuntimeError, 'end_group: no export is open', -> { exporter.end_group }]]) # rubocop:disable Style/NilComparison
    assert_equal 3.4028234663852886e+38, face.a, 'a refused value leaves the field as it was'
    refute File.exist?(short), 'nothing was opened'
    exporter.open_file(*open_args(short))
    assert_raises_with(ArgumentError, 'fs has 3 elements, add_faces2 needs 6') { exporter.add_faces2(*face_args(2 => 2)) }
  end

  # 256 bytes are kept without a terminator, longer texts are refused and leave the field as it
  # was, nil clears it; the constructor cuts at 255 bytes.
  def test_fixed_texts
    face = Face.new
    full = (1..256).map { |i| (65 + i % 26).chr }.join
    face.material = full
    assert_equal full, face.material
    face.texture = 'kept'
    assert_raises_with(TypeError, refused(1, 'char [256]', "String \"#{'x' * 29}...", 'texture')) { face.texture = 'x' * 257 }
    assert_equal 'kept', face.texture
    face.texture = nil
    assert_equal '', face.texture
    face = Face.new(*face_args(7 => 'm' * 300, 8 => nil))
    assert_equal ['m' * 255, ''], [face.material, face.texture]
  end
end
