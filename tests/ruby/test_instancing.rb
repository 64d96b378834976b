# frozen_string_literal: true

require_relative 'helper'
require 'vistrel_instancing'

# The companion extension: definitions and placements on the exporter's own objects.
class TestInstancing < VistrelTestCase
  include Vistrel_instancing

  # The export in data/definitions.vsf: a definition holding a group and two batched materials,
  # a second one placing the first, and placements named and numbered. The batch pending outside
  # the definitions (grass) waits for the next end_group outside them; placements flush none.
  TRIANGLE = [3, 1, [0, 0, 0, 1, 0, 0, 0, 1, 0], [1, 2, 3], [0, 0, 1] * 3, [0, 0, 0, 1, 0, 0, 0, 1, 0]].freeze

  def moved(x, y, z)
    [1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1]
  end

  def scene(exporter, path)
    exporter.open_file('forest', path, [0, -20, 5], [0, 1, 0], [0, 0, 1], 45.0, 0.0, true)
    exporter.add_faces2(*TRIANGLE, 'grass', '', 0, 200, 0, 1.0)
    begin_definition(exporter, 'tree')
    exporter.begin_group('crown')
    exporter.transform(moved(0, 0, 3))
    exporter.add_faces2(*TRIANGLE, 'leaves', '', 0, 128, 0, 1.0)
    exporter.end_group
    exporter.add_faces2(*TRIANGLE, 'bark', '', 100, 60, 20, 1.0)
    exporter.add_faces2(*TRIANGLE, 'bark', '', 0, 0, 0, 0.5)
    end_definition(exporter)
    begin_definition(exporter, 'pair')
    place_definition(exporter, 'tree', 'left', moved(-1, 0, 0))
    place_definition(exporter, 'tree', '', moved(1, 0, 0))
    end_definition(exporter)
    place_definition(exporter, 'pair', 'Pair', moved(0, 10, 0))
    exporter.begin_group('Grove')
    exporter.add_faces2(*TRIANGLE, 'stone', '', 90, 90, 90, 1.0)
    place_definition(exporter, 'tree', nil, moved(5, 5, 0))
    exporter.end_group
    exporter.close_file
  end

  MOVE = [1, 0, 0, 1, 0, 1, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1].freeze

  # A second export on the same object starts with no definitions.
  def test_export_matches_the_golden_file
    path = File.join(folder, 'forest.vsf')
    exporter = SketchupExporter.new
    2.times { scene(exporter, path) }
    assert_equal File.binread(File.join(DATA_DIR, 'definitions.vsf')), File.binread(path)
  end

  # Every refusal leaves the file as it was (rows without an error class are steps between
  # them). A definition left open is ended by close_file, so that the file is whole, then reported.
  # A matrix element that initializes the exporter again frees the native object the call took
  # for it: the call goes to the new one.
  def test_refused_calls
    path = File.join(folder, 'refused.vsf')
    e = SketchupExporter.new
    renewing = MOVE.dup.tap { |m| m[5] = element { e.send(:initialize) } }
    assert_refusals([[RuntimeError, 'begin_definition: no export is open', -> { begin_definition(e, 'tree') }],
                     [RuntimeError, 'place_definition: no export is open', -> { place_definition(e, 'tree', '', renewing) }]])
    e.open_file(*open_args(path))
    begin_definition(e, 'tree')
    [[RuntimeError, 'begin_definition: definition "tree" is open; definitions do not nest', -> { begin_definition(e, 'leaf') }],
     [RuntimeError, 'place_definition: definition "tree" is still open', -> { place_definition(e, 'tree', '', MOVE) }],
     [nil, nil, -> { e.begin_group('crown') }],
     [RuntimeError, 'end_definition: a group begun in definition "tree" is still open', -> { end_definition(e) }],
     [nil, nil, -> { e.end_group }],
     [RuntimeError, 'end_group: no group is open', -> { e.end_group }],
     [nil, nil, -> { end_definition(e) }],
     [RuntimeError, 'begin_definition: "tree" is already defined', -> { begin_definition(e, 'tree') }],
     [RuntimeError, 'begin_definition: a definition needs a name', -> { begin_definition(e, nil) }],
     [RuntimeError, 'end_definition: no definition is open', -> { end_definition(e) }],
     [RuntimeError, 'place_definition: "bush" is not defined', -> { place_definition(e, 'bush', '', MOVE) }],
     [nil, nil, -> { e.begin_group('Grove') }],
     [RuntimeError, 'begin_definition: a group is open; definitions stand at the top level of the scene', -> { begin_definition(e, 'bush') }],
     [ArgumentError, 'matrix has 15 elements, place_definition needs 16', -> { place_definition(e, 'tree', '', MOVE[0, 15]) }],
     [TypeError, refused(1, 'SketchupExporter *', 'NilClass nil', 'end_definition'), -> { end_definition(nil) }]].each do |error, text, call|
      next call.call unless error

      assert_equal File.binread(path).tap { assert_raises_with(error, text, &call) }, File.binread(path), text
    end
    e.end_group
    begin_definition(e, 'bush')
    e.begin_group('crown')
    e.add_faces2(*TRIANGLE, 'leaves', '', 0, 128, 0, 1.0)
    assert_raises_with(RuntimeError, 'close_file: definition "bush" was still open') { e.close_file }
    assert_match(/#define   group "bush" \{\n\n    group "crown" \{\n\n      object "leaves".*\n    \}\n  \}\n\}\n\z/m, File.binread(path))
  end

  # Loaded alone, the companion loads the exporter's extension, adds nothing to its class and
  # joins its type table: an exporter is taken as one.
  def test_loading_alone
    script = "require 'vistrel_instancing'; e = Vistrel_sketchup_plugin::SketchupExporter; p [Vistrel_instancing." \
             'singleton_methods.sort, e.instance_methods(false).size, (Vistrel_instancing.end_definition(e.new) rescue $!.message)]'
    assert_equal %([[:begin_definition, :end_definition, :place_definition], 9, "end_definition: no export is open"]\n),
                 IO.popen([RbConfig.ruby, '-I', LIBRARY_DIR, '-e', script], &:read)
  end
end
