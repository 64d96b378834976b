# frozen_string_literal: true

require_relative 'helper'

# What loading the extension defines: module, classes, methods, runtime objects.
class TestSurface < VistrelTestCase
  VECTOR_METHODS = %i[
    initialize dup inspect to_a to_s slice each select reject! delete_if delete_at __delete2__
    pop push << reject at [] []= shift unshift empty? size clear swap get_allocator begin end
    rbegin rend erase front back assign resize insert reserve capacity map_bang __delete__
  ].freeze
  FACE_METHODS = %i[initialize] + %i[num_p num_f parr narr uvarr farr material texture r g b a]
                                  .flat_map { |f| [:"#{f}=", f] }
  EXPORTER_METHODS = %i[initialize add_faces add_faces2 begin_group transform end_group
                        open_file close_file run_vistrel test].freeze
  ITERATOR_METHODS = %i[value dup inspect to_s next previous == + -].freeze

  def test_classes_and_superclasses
    assert_equal %i[ConstIterator Face FloatVector GC_VALUE IntVector Iterator SketchupExporter],
                 Vistrel_sketchup_plugin.constants.sort
    assert_equal ConstIterator, Iterator.superclass
    assert_equal [Object], [GC_VALUE, ConstIterator, FloatVector, IntVector, Face, SketchupExporter]
                             .map(&:superclass).uniq
    assert_includes FloatVector.ancestors, Enumerable
    [GC_VALUE, Iterator, SWIG::Pointer].each { |klass| assert_raises(NoMethodError, TypeError) { klass.new } }
  end

  # The order in which the entry defines methods shows through Module#method_added, so a
  # fresh interpreter records it while requiring the library.
  def test_methods_in_definition_order
    script = <<~RUBY
      $order = Hash.new { |h, k| h[k] = [] }
      class Module
        def method_added(name)
          $order[self.name.to_s.sub('Vistrel_sketchup_plugin::', '')] << name
        end
      end
      require 'vistrel_sketchup_plugin'
      Marshal.dump(Hash[$order.to_a], $stdout)
    RUBY
    order = Marshal.load(IO.popen([RbConfig.ruby, '-I', LIBRARY_DIR, '-e', script], &:read))
    assert_equal VECTOR_METHODS, order['FloatVector']
    assert_equal VECTOR_METHODS, order['IntVector']
    assert_equal FACE_METHODS, order['Face']
    assert_equal EXPORTER_METHODS, order['SketchupExporter']
    assert_equal ITERATOR_METHODS, order['ConstIterator']
    assert_equal %i[value= dup next previous inspect to_s == + -], order['Iterator']
    assert_equal EXPORTER_METHODS.sort, (SketchupExporter.instance_methods(false) + [:initialize]).sort
    assert_equal FloatVector.instance_method(:push), FloatVector.instance_method(:<<)
    assert_equal IntVector.instance_method(:reject!), IntVector.instance_method(:delete_if)
  end

  def test_runtime_objects
    %w[_p_Face _p_float _p_p_void _p_swig__GC_VALUE].each do |type|
      assert_equal SWIG::Pointer, SWIG.const_get("TYPE#{type}").superclass, type
    end
    assert_equal({}, SWIG.instance_variable_get(:@__trackings__))
    assert_equal 'swig_runtime_data', $swig_runtime_data_type_pointer4.class.name
    assert_raises(NameError) { eval('$swig_runtime_data_type_pointer4 = nil') }
    face = Face.new
    face.parr = [1, 2, 3]
    assert_equal %w[_p_Face _p_float], [face, face.parr].map { |o| o.instance_variable_get(:@__swigtype__) }
    refute_same face.parr, face.parr
  end

  def test_allocated_but_never_initialised
    exporter = SketchupExporter.allocate
    inspect_cut = exporter.inspect[0, 30]
    # The class is defined when first needed, so it is named only after the raise.
    error = assert_raises(RuntimeError) { exporter.close_file }
    assert_equal 'ObjectPreviouslyDeleted', error.class.name
    assert_equal refused(0, 'SketchupExporter *',
                         "Vistrel_sketchup_plugin::SketchupExporter #{inspect_cut}...",
                         'close_file'), error.message
    assert_raises(error.class) { Face.allocate.parr = [1] }
  end

  def test_vector_methods_renamed_from_the_defaults
    vector = FloatVector.new([1.5, 2.5])
    vector.push(3.5)
    assert_equal [3.0, 5.0, 7.0], vector.map_bang { |x| x * 2 }.to_a
    vector.__delete__(5.0)
    assert_equal [3.0, 7.0], vector.to_a
    assert_raises_with(ArgumentError, 'No block given') { IntVector.new(1).map_bang }
  end
end
