# frozen_string_literal: true

# What components save the modeller package: a forest of PLACEMENTS trees of about TRIANGLES
# triangles each (a bark trunk and a leaf crown, every edge smooth) on a ground face, on the
# walker's API double, exported through the package's Export command. Half the trees stand at
# the top level, the others in groups of ten. First one tree alone, then the forest of one tree
# component, then (with --unique) the same forest with every tree a component of its own.
# Prints the scene sizes and export times (wall clock, the least of RUNS; the unique forest
# is exported once) against the goals: a forest's scene at most
# one tree's plus 400 bytes per placement, its export at most twice one tree's plus 0.2 ms per
# placement. The scenes stay in FOLDER, for the preview:
#   ruby -I build/lib bench/forest.rb [--placements 1000] [--triangles 5000] [--unique] [--runs 3] [--folder DIR]
#   time bin/vistrel-inspect DIR/forest.vsf --png DIR/forest.png --quiet
require 'optparse'
require 'tmpdir'
require 'vistrel_sketchup_plugin'
require 'vistrel_instancing'
require_relative '../tests/modeller/models'
require_relative '../plugins/sketchup/package/vistrel_exporter/commands'

module ForestBench
  module_function

  # A surface of revolution: rings of points at the given heights and radii, joined by quads,
  # every edge smooth. Returns the faces.
  def turned(heights, radii, sides, material)
    points = heights.zip(radii).flat_map do |z, r|
      Array.new(sides) { |i| [r * Math.cos(2 * Math::PI * i / sides), r * Math.sin(2 * Math::PI * i / sides), z] }
    end
    polygons = (0...heights.size - 1).flat_map do |j|
      Array.new(sides) { |i| [j * sides + i, j * sides + (i + 1) % sides, (j + 1) * sides + (i + 1) % sides, (j + 1) * sides + i] }
    end
    faces, smooth = Models.joined(points, polygons, material: material)
    polygons.each { |corners| corners.each_with_index { |c, k| smooth.call(c, corners[k - 1]) } }
    faces
  end

  # A fifth of the triangles in the trunk, the rest in the crown.
  def tree(triangles, bark, leaves)
    trunk_rows = [triangles / 5 / 40, 1].max
    crown_rows = [(triangles - trunk_rows * 40) / 80, 1].max
    trunk = turned(Array.new(trunk_rows + 1) { |j| 60.0 * j / trunk_rows }, [6.0] * (trunk_rows + 1), 20, bark)
    angles = Array.new(crown_rows + 1) { |j| Math::PI * (0.05 + 0.9 * j / crown_rows) }
    crown = turned(angles.map { |a| 100.0 - 40.0 * Math.cos(a) }, angles.map { |a| 40.0 * Math.sin(a) }, 40, leaves)
    trunk + crown
  end

  def forest(placements, triangles, unique)
    bark = Models.paint('Bark', [90, 60, 30])
    leaves = Models.paint('Leaves', [40, 140, 40])
    shared = Sketchup::ComponentDefinition.new('Tree', tree(triangles, bark, leaves))
    trees = Array.new(placements) do |k|
      component = unique && k.positive? ? Sketchup::ComponentDefinition.new("Tree #{k}", tree(triangles, bark, leaves)) : shared
      Models::Instance.new(name: '', definition: component, transformation: Models.moved(100.0 * (k % 40) + 50.0, 100.0 * (k / 40) + 50.0, 0.0))
    end
    top, grouped = trees.each_slice((placements + 1) / 2).to_a
    groves = (grouped || []).each_slice(10).map do |ten|
      Models::Group.new(name: '', entities: ten, transformation: Models.moved(0.0, 0.0, 0.0))
    end
    width = 100.0 * [placements, 40].min
    depth = 100.0 * ((placements + 39) / 40)
    size = [width, depth].max
    camera = Sketchup::Camera.new(Geom::Point3d.new(width / 2, depth / 2 - 0.9 * size - 300, 0.6 * size + 200),
                                  Geom::Point3d.new(width / 2, depth / 2, 0.0), Geom::Vector3d.new(0.0, 0.0, 1.0),
                                  true, 50.0, true, 0.0, 0.0)
    Sketchup::Model.new('Forest', '', [Models.quad(width, depth)] + top + groves, Sketchup::View.new(camera, 800, 600))
  end

  # The Export command, answering its file dialog with path; the least seconds of the runs and
  # its message.
  def export(model, path, runs)
    Sketchup.active_model = model
    UI.save_answer = ->(_name) { path }
    seconds = Array.new(runs) do
      UI.messages = []
      GC.start
      started = Process.clock_gettime(Process::CLOCK_MONOTONIC)
      VistrelExporter::Commands.export_to_file
      raise UI.messages.last unless UI.messages.last.start_with?('Exported')

      Process.clock_gettime(Process::CLOCK_MONOTONIC) - started
    end
    [seconds.min, UI.messages.last]
  end
end

options = { placements: 1000, triangles: 5000, unique: false, folder: nil, runs: 3 }
OptionParser.new do |parser|
  parser.on('--placements K', Integer) { |k| options[:placements] = k }
  parser.on('--triangles N', Integer) { |n| options[:triangles] = n }
  parser.on('--unique') { options[:unique] = true }
  parser.on('--folder DIR') { |dir| options[:folder] = dir }
  parser.on('--runs R', Integer) { |r| options[:runs] = r }
end.parse!
folder = options[:folder] || Dir.mktmpdir('vistrel-forest')
k = options[:placements]

runs = options[:runs]
one_seconds, one_summary = ForestBench.export(ForestBench.forest(1, options[:triangles], false), "#{folder}/tree.vsf", runs)
one_size = File.size("#{folder}/tree.vsf")
puts "one tree: #{one_summary.lines.first.strip}", format('  %.2f s, %d bytes', one_seconds, one_size)
[['forest', false], (['unique', true] if options[:unique])].compact.each do |name, unique|
  model = ForestBench.forest(k, options[:triangles], unique)
  seconds, summary = ForestBench.export(model, "#{folder}/#{name}.vsf", unique ? 1 : runs)
  size = File.size("#{folder}/#{name}.vsf")
  puts "#{name} of #{k}: #{summary.lines.map(&:strip).join(' ')}",
       format('  %.2f s (goal %.2f s), %d bytes (goal %d bytes)', seconds, 2 * one_seconds + 0.0002 * k,
              size, one_size + 400 * k)
end
puts "scenes in #{folder}"
