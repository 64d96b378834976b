# frozen_string_literal: true

require_relative 'helper'

# What loading the extension defines: module, classes, methods, runtime objects.
class TestSurface < VistrelTestCase
  VECTOR = %i[initialize dup inspect to_a to_s slice each select reject! delete_if delete_at __delete2__
              pop push << reject at [] []= shift unshift empty? size clear swap get_allocator begin end
              rbegin rend erase front back assign resize insert reserve capacity map_bang __delete__].freeze
  FACE = %i[initialize] + %i[num_p num_f parr narr uvarr farr material texture r g b a]
                          .flat_map { |f| [:"#{f}=", f] }
  EXPORTER = %i[initialize add_faces add_faces2 begin_group transform end_group
                open_file close_file run_vistrel test].freeze
  ITERATOR = %i[value dup inspect to_s next previous == + -].freeze

  def test_classes_and_superclasses
    assert_equal %i[ConstIterator Face FloatVector GC_VALUE IntVector Iterator SketchupExporter],
                 Vistrel_sketchup_plugin.constants.sort
    classes = [Iterator, GC_VALUE, ConstIterator, FloatVector, IntVector, Face, SketchupExporter]
    assert_equal [ConstIterator] + [Object] * 6, classes.map(&:superclass)
    assert_includes FloatVector.ancestors, Enumerable
    [GC_VALUE, Iterator, SWIG::Pointer].each { |klass| assert_raises(NoMethodError, TypeError) { klass.new } }
  end

  # Module#method_added shows the order in which the entry defines methods, so a fresh
  # interpreter records it while requiring the library.
  def test_methods_in_definition_order
    script = <<~RUBY
      $order = Hash.new { |h, k| h[k] = [] }
      class Module; def method_added(m); $order[name.to_s.sub(/.*::/, '')] << m; end; end
      require 'vistrel_sketchup_plugin'; Marshal.dump(Hash[$order.to_a], $stdout.binmode)
    RUBY
    order = Marshal.load(IO.popen([RbConfig.ruby, '-I', LIBRARY_DIR, '-e', script], 'rb', &:read))
    assert_equal [VECTOR, VECTOR, FACE, EXPORTER, ITERATOR, %i[value= dup next previous inspect to_s == + -]],
                 order.values_at(*%w[FloatVector IntVector Face SketchupExporter ConstIterator Iterator])
  end

  def test_runtime_objects
    assert_equal [SWIG::Pointer], %w[_p_Face _p_float _p_p_void _p_swig__GC_VALUE]
      .map { |type| SWIG.const_get("TYPE#{type}").superclass }.uniq
    assert_equal({}, SWIG.instance_variable_get(:@__trackings__))
    assert_equal 'swig_runtime_data', $swig_runtime_data_type_pointer4.class.name
    assert_raises(NameError) { eval('$swig_runtime_data_type_pointer4 = nil') }
    face = Face.new
    face.parr = [1, 2, 3]
    assert_equal %w[_p_Face _p_float], [face, face.parr].map { |o| o.instance_variable_get(:@__swigtype__) }
    refute_same face.parr, face.parr
    # The class decides what an object stands for, not a tag any code can change.
    vector = FloatVector.new([1.0])
    forged = [face, face.parr]
    (forged + [vector]).each { |o| o.instance_variable_set(:@__swigtype__, '_p_std__vectorT_float_std__allocatorT_float_t_t') }
    face.num_p = 3
    assert_equal 3, face.num_p
    forged.each { |other| assert_raises(TypeError) { vector.swap(other) } }
    vector.instance_variable_set(:@__swigtype__, '_p_char')
    assert_raises(TypeError) { SketchupExporter.new.add_faces(*face_args(7 => vector)) }
    # Allocated but never initialised: refused, with an error class defined at the first raise.
    exporter = SketchupExporter.allocate
    cut = exporter.inspect[0, 30]
    error = assert_raises(RuntimeError) { exporter.close_file }
    assert_equal 'ObjectPreviouslyDeleted', error.class.name
    assert_equal refused(0, 'SketchupExporter *', "#{SketchupExporter} #{cut}...", 'close_file'), error.message
    assert_raises(error.class) { Face.allocate.parr = [1] }
    assert_raises(error.class) { FloatVector.allocate.size }
  end
end
