# frozen_string_literal: true

# The export that data/export.vsf holds: named and unnamed groups, a transform, a mesh written
# at once with a texture, and batches merged per material key at the end of their group.
module ExportScene
  QUAD = {
    vs: [0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0],
    fs: [1, 2, 3, 1, 3, 4],
    ns: [0, 0, 1] * 4,
    uvs: [0, 0, 9, 1, 0, 9, 1, 1, 9, 0, 1, 9]
  }.freeze
  TRIANGLE = {
    vs: [0.5, 0.25, 1, 1.5, 0.25, 1, 0.5, 1.25, 1],
    fs: [1, 2, 3],
    ns: [0, -1, 0] * 3,
    uvs: [0.5, 0.5, 0, 1, 0.5, 0, 0.5, 1, 0]
  }.freeze

  def self.run(exporter, path, model: 'models\\house.v2.skp')
    exporter.open_file(model, path, [1, 2, 3], [0, 1, 0], [0, 0, 1], 45.0, 0.0, true)
    exporter.begin_group('')
    exporter.transform((1..16).to_a)
    exporter.add_faces2(4, 2, QUAD[:vs], QUAD[:fs], QUAD[:ns], QUAD[:uvs], 'brick', '', 200, 100, 50, 1.0)
    exporter.add_faces(3, 1, TRIANGLE[:vs], TRIANGLE[:fs], TRIANGLE[:ns], TRIANGLE[:uvs],
                       'glass', 'wood.png', 255, 255, 255, 0.5)
    exporter.begin_group('Chair')
    exporter.add_faces2(3, 1, TRIANGLE[:vs], TRIANGLE[:fs], TRIANGLE[:ns], TRIANGLE[:uvs],
                        'brick', 'ignored.png', 1, 2, 3, 0.25)
    exporter.add_faces2(3, 1, TRIANGLE[:vs], TRIANGLE[:fs], TRIANGLE[:ns], TRIANGLE[:uvs],
                        nil, nil, 10, 20, 30, 0.05)
    exporter.end_group
    exporter.end_group
    exporter.close_file
  end
end
