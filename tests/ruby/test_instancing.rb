# frozen_string_literal: true

require_relative 'helper'
require_relative 'definitions_scene'
require 'vistrel_instancing'

# The companion extension: definitions and placements on the exporter's own objects.
class TestInstancing < VistrelTestCase
  include Vistrel_instancing

  GOLDEN = File.binread(File.join(DATA_DIR, 'definitions.vsf'))
  MOVE = DefinitionsScene.moved(1, 2, 3)
  TRIANGLE = DefinitionsScene::TRIANGLE

  def setup
    @exporter = SketchupExporter.new
  end

  # A second export on the same object starts with no definitions.
  def test_export_matches_the_golden_file
    path = File.join(folder, 'forest.vsf')
    2.times { DefinitionsScene.run(@exporter, path) }
    assert_equal GOLDEN, File.binread(path)
  end

  # Every refusal leaves the file as it was, so the calls after it still make a whole scene.
  # Rows without an error class are steps between the refusals.
  def test_refused_calls_write_nothing
    path = File.join(folder, 'refused.vsf')
    exporter = @exporter
    assert_raises_with(RuntimeError, 'begin_definition: no export is open') { begin_definition(exporter, 'tree') }
    exporter.open_file(*open_args(path))
    begin_definition(exporter, 'tree')
    [[RuntimeError, 'begin_definition: definition "tree" is open; definitions do not nest', -> { begin_definition(exporter, 'leaf') }],
     [RuntimeError, 'place_definition: definition "tree" is still open', -> { place_definition(exporter, 'tree', '', MOVE) }],
     [nil, nil, -> { exporter.begin_group('crown') }],
     [RuntimeError, 'end_definition: a group begun in definition "tree" is still open', -> { end_definition(exporter) }],
     [nil, nil, -> { exporter.end_group }],
     [RuntimeError, 'end_group: no group is open', -> { exporter.end_group }],
     [nil, nil, -> { end_definition(exporter) }],
     [RuntimeError, 'begin_definition: "tree" is already defined', -> { begin_definition(exporter, 'tree') }],
     [RuntimeError, 'begin_definition: a definition needs a name', -> { begin_definition(exporter, nil) }],
     [RuntimeError, 'end_definition: no definition is open', -> { end_definition(exporter) }],
     [RuntimeError, 'place_definition: "bush" is not defined', -> { place_definition(exporter, 'bush', '', MOVE) }],
     [nil, nil, -> { exporter.begin_group('Grove') }],
     [RuntimeError, 'begin_definition: a group is open; definitions stand at the top level of the scene',
      -> { begin_definition(exporter, 'bush') }],
     [ArgumentError, 'matrix has 15 elements, place_definition needs 16', -> { place_definition(exporter, 'tree', '', MOVE[0, 15]) }],
     [ArgumentError, 'string contains null byte', -> { begin_definition(exporter, "a\0b") }],
     [TypeError, refused(1, 'SketchupExporter *', 'NilClass nil', 'end_definition'), -> { end_definition(nil) }],
     [TypeError, refused(1, 'SketchupExporter *', "#{Face} #{Face.new.inspect[0, 30]}...", 'end_definition'),
      -> { end_definition(Face.new) }]].each do |error, text, call|
      next call.call unless error

      before = File.binread(path)
      assert_raises_with(error, text, &call)
      assert_equal before, File.binread(path), text
    end
    exporter.end_group
    exporter.close_file
    assert File.binread(path).end_with?("\n  }\n}\n")
  end

  # The file is closed whole, with the definition ended, and then the definition is reported.
  def test_definition_left_open_at_close_file
    path = File.join(folder, 'open.vsf')
    @exporter.open_file(*open_args(path))
    begin_definition(@exporter, 'tree')
    @exporter.begin_group('crown')
    @exporter.add_faces2(*TRIANGLE, 'leaves', '', 0, 128, 0, 1.0)
    assert_raises_with(RuntimeError, 'close_file: definition "tree" was still open') { @exporter.close_file }
    assert_match(/#define   group "tree" \{\n\n    group "crown" \{\n\n      object "leaves".*\n    \}\n  \}\n\}\n\z/m,
                 File.binread(path))
    assert_raises_with(RuntimeError, 'place_definition: no export is open') { place_definition(@exporter, 'tree', '', MOVE) }
  end

  # A matrix element that initializes the exporter again frees the native object the call took
  # for it: the call goes to the new one, which has no export open.
  def test_exporter_initialized_again_during_the_call
    @exporter.open_file(*open_args(File.join(folder, 'again.vsf')))
    begin_definition(@exporter, 'tree')
    end_definition(@exporter)
    matrix = MOVE.dup.tap { |m| m[5] = element { @exporter.send(:initialize) } }
    assert_raises_with(RuntimeError, 'place_definition: no export is open') { place_definition(@exporter, 'tree', '', matrix) }
  end

  # Loading the companion first loads the exporter's extension, whose surface stays the same,
  # and joins its type table.
  def test_loading_alone
    script = <<~RUBY
      require 'vistrel_instancing'
      p [Vistrel_instancing.singleton_methods.sort, Vistrel_sketchup_plugin.constants.size,
         Vistrel_sketchup_plugin::SketchupExporter.instance_methods(false).size,
         $LOADED_FEATURES.grep(/vistrel_sketchup_plugin/).size]
    RUBY
    output = IO.popen([RbConfig.ruby, '-I', LIBRARY_DIR, '-e', script], &:read)
    assert_equal "[[:begin_definition, :end_definition, :place_definition], 7, 9, 1]\n", output
  end
end
