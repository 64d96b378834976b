# frozen_string_literal: true

# The export that data/definitions.vsf holds: a definition with a nested group and two
# materials (one batched twice), a second definition placing the first, and placements named
# and numbered at the top level and inside a group. A batch pending outside the definitions
# (grass) is written at the next end_group outside them, as without them, and a placement
# writes no pending batch (stone).
module DefinitionsScene
  TRIANGLE = [3, 1, [0, 0, 0, 1, 0, 0, 0, 1, 0], [1, 2, 3], [0, 0, 1] * 3, [0, 0, 0, 1, 0, 0, 0, 1, 0]].freeze

  # Row-major, moved by x, y, z.
  def self.moved(x, y, z) = [1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1]

  def self.run(exporter, path, definitions = Vistrel_instancing)
    exporter.open_file('forest', path, [0, -20, 5], [0, 1, 0], [0, 0, 1], 45.0, 0.0, true)
    exporter.add_faces2(*TRIANGLE, 'grass', '', 0, 200, 0, 1.0)
    definitions.begin_definition(exporter, 'tree')
    exporter.begin_group('crown')
    exporter.transform(moved(0, 0, 3))
    exporter.add_faces2(*TRIANGLE, 'leaves', '', 0, 128, 0, 1.0)
    exporter.end_group
    exporter.add_faces2(*TRIANGLE, 'bark', '', 100, 60, 20, 1.0)
    exporter.add_faces2(*TRIANGLE, 'bark', '', 0, 0, 0, 0.5)
    definitions.end_definition(exporter)
    definitions.begin_definition(exporter, 'pair')
    definitions.place_definition(exporter, 'tree', 'left', moved(-1, 0, 0))
    definitions.place_definition(exporter, 'tree', '', moved(1, 0, 0))
    definitions.end_definition(exporter)
    definitions.place_definition(exporter, 'pair', 'Pair', moved(0, 10, 0))
    exporter.begin_group('Grove')
    exporter.add_faces2(*TRIANGLE, 'stone', '', 90, 90, 90, 1.0)
    definitions.place_definition(exporter, 'tree', nil, moved(5, 5, 0))
    exporter.end_group
    exporter.close_file
  end
end
