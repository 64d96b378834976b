# frozen_string_literal: true

# The export that data/export.vsf holds: named and unnamed groups, a transform, a mesh written
# at once with a texture, and batches merged per material key at the end of their group.
module ExportScene
  # Vertex count, face count, vs, fs, ns and uvs.
  QUAD = [4, 2, [0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0], [1, 2, 3, 1, 3, 4], [0, 0, 1] * 4,
          [0, 0, 9, 1, 0, 9, 1, 1, 9, 0, 1, 9]].freeze
  TRIANGLE = [3, 1, [0.5, 0.25, 1, 1.5, 0.25, 1, 0.5, 1.25, 1], [1, 2, 3], [0, -1, 0] * 3,
              [0.5, 0.5, 0, 1, 0.5, 0, 0.5, 1, 0]].freeze

  def self.run(exporter, path)
    exporter.open_file('models\\house.v2.skp', path, [1, 2, 3], [0, 1, 0], [0, 0, 1], 45.0, 0.0, true)
    exporter.begin_group('')
    exporter.transform((1..16).to_a)
    exporter.add_faces2(*QUAD, 'brick', '', 200, 100, 50, 1.0)
    exporter.add_faces(*TRIANGLE, 'glass', 'wood.png', 255, 255, 255, 0.5)
    exporter.begin_group('Chair')
    exporter.add_faces2(*TRIANGLE, 'brick', 'ignored.png', 1, 2, 3, 0.25)
    exporter.add_faces2(*TRIANGLE, nil, nil, 10, 20, 30, 0.05)
    exporter.end_group
    exporter.end_group
    exporter.close_file
  end
end
