# frozen_string_literal: true

# What smooth normals cost the modeller package: a sphere of 2 x SLICES x (STACKS - 1)
# triangles (quads, triangles at the poles) on the walker's API double, exported through the
# package with every edge smooth and with every edge hard; processor time, the median of RUNS
# exports each.
#   ruby -I build/lib bench/smooth_sphere.rb [SLICES] [STACKS] [RUNS]   # 250 201 3: 100k triangles
require 'tmpdir'
require 'vistrel_sketchup_plugin'
require_relative '../tests/modeller/models'
require_relative '../plugins/sketchup/package/vistrel_exporter/scene_export'

slices, stacks, runs = ARGV.map(&:to_i)
slices ||= 250
stacks ||= 201
runs ||= 3

def sphere(slices, stacks, smooth)
  ring = lambda do |j|
    polar = Math::PI * j / stacks
    Array.new(slices) { |i| [Math.cos(2 * Math::PI * i / slices), Math.sin(2 * Math::PI * i / slices)].map { |c| 100 * Math.sin(polar) * c } + [100 * Math.cos(polar)] }
  end
  points = [[0, 0, 100]] + (1...stacks).flat_map(&ring) + [[0, 0, -100]]
  at = ->(i, j) { 1 + (j - 1) * slices + i % slices }
  bottom = points.size - 1
  polygons = Array.new(slices) { |i| [0, at[i, 1], at[i + 1, 1]] } +
             (1...stacks - 1).flat_map { |j| Array.new(slices) { |i| [at[i, j], at[i, j + 1], at[i + 1, j + 1], at[i + 1, j]] } } +
             Array.new(slices) { |i| [at[i + 1, stacks - 1], at[i, stacks - 1], bottom] }
  faces, soften = Models.joined(points, polygons)
  if smooth
    polygons.each { |corners| corners.each_with_index { |c, k| soften.call(c, corners[k - 1]) } }
  end
  Sketchup::Model.new('Sphere', '', faces, Sketchup::View.new(Models.camera, 800, 600))
end

Dir.mktmpdir('vistrel-bench') do |dir|
  [['hard', false], ['smooth', true]].each do |label, smooth|
    model = sphere(slices, stacks, smooth)
    times = Array.new(runs) do
      started = Process.clock_gettime(Process::CLOCK_PROCESS_CPUTIME_ID)
      summary = VistrelExporter::SceneExport.new(model).write(File.join(dir, 'sphere.vsf'))
      [Process.clock_gettime(Process::CLOCK_PROCESS_CPUTIME_ID) - started, summary.triangles]
    end
    seconds, triangles = times.sort.at(runs / 2)
    printf("%-6s %d triangles: %.2f s of processor time (median of %d), %.1f MB\n", label, triangles, seconds, runs,
           File.size(File.join(dir, 'sphere.vsf')) / 1e6)
  end
end
