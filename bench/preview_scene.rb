# frozen_string_literal: true

# Writes a scene for timing the preview: a wavy square of about TRIANGLES triangles (default a
# million) under the camera, with half of it in a moved group, through the built extension.
#   ruby -I build/lib bench/preview_scene.rb OUT.vsf [TRIANGLES]
#   time build/inspect/vistrel-inspect OUT.vsf --png OUT.png --quiet
require 'vistrel_sketchup_plugin'

path = ARGV.fetch(0) { abort 'usage: preview_scene.rb OUT.vsf [TRIANGLES]' }
side = Math.sqrt(Integer(ARGV.fetch(1, '1000000')) / 8.0).ceil # quads along each half

# A side x 2side grid over x in [x0, x0 + 1], y in [-1, 1], its height a ripple.
def grid(side, x0)
  rows = 2 * side
  vs = []
  ns = []
  uvs = []
  (0..rows).each do |j|
    (0..side).each do |i|
      x = x0 + i.fdiv(side)
      y = -1 + 2 * j.fdiv(rows)
      vs.push(x, y, 0.05 * Math.sin(12 * x) * Math.cos(9 * y))
      ns.push(0, 0, 1)
      uvs.push(x, y, 0)
    end
  end
  fs = []
  (0...rows).each do |j|
    (0...side).each do |i|
      a = j * (side + 1) + i + 1
      fs.push(a, a + 1, a + side + 2, a, a + side + 2, a + side + 1)
    end
  end
  [vs.size / 3, fs.size / 3, vs, fs, ns, uvs]
end

exporter = Vistrel_sketchup_plugin::SketchupExporter.new
exporter.open_file('ripples', path, [0, -2.2, 1.6], [0, 0.8, -0.6], [0, 0.6, 0.8], 45.0, 0.0, true)
exporter.begin_group('left')
exporter.add_faces(*grid(side, -1), 'sand', '', 200, 180, 120, 1.0)
exporter.end_group
exporter.begin_group('right')
exporter.transform([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0.1, 1])
exporter.add_faces(*grid(side, 0), 'sea', '', 60, 110, 180, 1.0)
exporter.end_group
exporter.close_file
