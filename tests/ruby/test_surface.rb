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

  def test_classes_and_superclasses
    assert_equal Module, Vistrel_sketchup_plugin.class
    assert_equal %i[ConstIterator Face FloatVector GC_VALUE IntVector Iterator SketchupExporter],
                 Vistrel_sketchup_plugin.constants.sort
    assert_equal ConstIterator, Iterator.superclass
    [GC_VALUE, ConstIterator, FloatVector, IntVector, Face, SketchupExporter].each do |klass|
      assert_equal Object, klass.superclass, klass.name
    end
    assert_includes FloatVector.ancestors, Enumerable
    assert_includes IntVector.ancestors, Enumerable
  end

  def test_instance_methods_of_each_class
    assert_equal EXPORTER_METHODS.sort, (SketchupExporter.instance_methods(false) + [:initialize]).sort
    assert_equal FACE_METHODS.sort, (Face.instance_methods(false) + [:initialize]).sort
    [FloatVector, IntVector].each do |klass|
      assert_equal VECTOR_METHODS.sort, (klass.instance_methods(false) + [:initialize]).sort
      assert_equal klass.instance_method(:reject!), klass.instance_method(:delete_if)
      assert_equal klass.instance_method(:push), klass.instance_method(:<<)
    end
    assert_equal %i[value dup inspect to_s next previous == + -].sort,
                 ConstIterator.instance_methods(false).sort
    assert_equal %i[value= dup next previous inspect to_s == + -].sort,
                 Iterator.instance_methods(false).sort
    assert_equal %i[inspect to_s], GC_VALUE.instance_methods(false).sort
  end

  # The order in which the entry defines methods shows through Module#method_added, so a
  # fresh interpreter records it while requiring the library.
  def test_definition_order
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
    output = IO.popen([RbConfig.ruby, '-I', LIBRARY_DIR, '-e', script], &:read)
    order = Marshal.load(output)
    assert_equal VECTOR_METHODS, order['FloatVector']
    assert_equal VECTOR_METHODS, order['IntVector']
    assert_equal FACE_METHODS, order['Face']
    assert_equal EXPORTER_METHODS, order['SketchupExporter']
    assert_equal %i[value dup inspect to_s next previous == + -], order['ConstIterator']
    assert_equal %i[value= dup next previous inspect to_s == + -], order['Iterator']
  end

  def test_classes_without_allocation_refuse_new
    [GC_VALUE, ConstIterator, Iterator, SWIG::Pointer, SWIG::TYPE_p_float].each do |klass|
      assert_raises(NoMethodError, TypeError) { klass.new }
    end
  end

  def test_runtime_objects
    assert_equal Module, SWIG.class
    assert_equal Object, SWIG::Pointer.superclass
    %w[_p_Face _p_SketchupExporter _p_allocator_type _p_char _p_difference_type _p_float _p_int
       _p_p_void _p_size_type _p_std__allocatorT_float_t _p_std__allocatorT_int_t
       _p_std__vectorT_float_std__allocatorT_float_t_t _p_std__vectorT_int_std__allocatorT_int_t_t
       _p_swig__ConstIterator _p_swig__GC_VALUE _p_swig__Iterator _p_value_type _p_void].each do |type|
      assert_equal SWIG::Pointer, SWIG.const_get("TYPE#{type}").superclass, type
    end
    assert_equal({}, SWIG.instance_variable_get(:@__trackings__))
    table = $swig_runtime_data_type_pointer4
    assert_equal 'swig_runtime_data', table.class.name
    assert_equal Object, table.class.superclass
    error = assert_raises(NameError) { eval('$swig_runtime_data_type_pointer4 = nil') }
    assert_match(/read-only variable/, error.message)
  end

  def test_wrapped_objects_carry_their_type_tag
    assert_equal '_p_Face', Face.new.instance_variable_get(:@__swigtype__)
    assert_equal '_p_SketchupExporter',
                 SketchupExporter.new.instance_variable_get(:@__swigtype__)
    face = Face.new
    face.parr = [1, 2, 3]
    first = face.parr
    second = face.parr
    assert_equal SWIG::TYPE_p_float, first.class
    assert_equal '_p_float', first.instance_variable_get(:@__swigtype__)
    refute_same first, second
  end

  def test_allocated_but_never_initialised
    exporter = SketchupExporter.allocate
    inspect_cut = exporter.inspect[0, 30]
    # The class is defined when first needed, so it is named only after the raise.
    error = assert_raises(RuntimeError) { exporter.close_file }
    assert_equal 'ObjectPreviouslyDeleted', error.class.name
    assert_equal RuntimeError, error.class.superclass
    assert_equal refused(0, 'SketchupExporter *',
                         "Vistrel_sketchup_plugin::SketchupExporter #{inspect_cut}...",
                         'close_file'), error.message
    face = Face.allocate
    assert_raises(error.class) { face.num_p }
    assert_raises(error.class) { face.parr = [1] }
  end

  def test_second_initialize_replaces_the_native_object
    face = Face.new
    face.num_p = 7
    face.parr = [1, 2, 3]
    face.send(:initialize)
    assert_equal 0, face.num_p
    assert_nil face.parr
  end

  def test_vector_classes_work
    vector = FloatVector.new([1.5, 2.5])
    vector.push(3.5)
    assert_equal [1.5, 2.5, 3.5], vector.to_a
    assert_equal [3.0, 5.0, 7.0], vector.map_bang { |x| x * 2 }.to_a
    vector.__delete__(5.0)
    assert_equal [3.0, 7.0], vector.to_a
    assert_equal [0, 0, 0], IntVector.new(3).to_a
    assert_raises_with(ArgumentError, 'No block given') { IntVector.new(1).map_bang }
    assert_raises_with(ArgumentError, 'no block given') { IntVector.new(1).each }
    assert_raises_with(TypeError, 'not a valid index or range') { IntVector.new(1)['a'] }
    assert_equal 5, IntVector.new(2, 5).begin.value
  end

  def test_vector_constructor_overloads
    prototypes = "    FloatVector.new()\n    FloatVector.new(std::vector< float > const &)\n" \
                 "    FloatVector.new(std::vector< float >::size_type size)\n" \
                 "    FloatVector.new(std::vector< float >::size_type size, " \
                 "std::vector< float >::value_type const &value)\n"
    assert_raises_with(ArgumentError,
                       "Wrong arguments for overloaded method 'FloatVector.new'.\n" \
                       "Possible C/C++ prototypes are:\n#{prototypes}") { FloatVector.new('x') }
  end
end
