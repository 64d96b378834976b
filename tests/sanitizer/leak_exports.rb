# frozen_string_literal: true

# Whole exports for the valgrind leak check (scripts/leak-check.sh): every path through which the
# extension allocates, including calls that fail part-way, with the objects collected at the end.
require 'tmpdir'
require 'vistrel_sketchup_plugin'
require_relative '../ruby/export_scene'
include Vistrel_sketchup_plugin

folder = Dir.mktmpdir('vistrel-leak')
triangle = [3, 1, [0.0, 0, 0, 1, 0, 0, 0, 1, 0], [1, 2, 3], [0.0, 0, 1] * 3, [0.0] * 9]
open = ->(exporter, path) { exporter.open_file('m', path, [1, 2, 3], [0, 1, 0], [0, 0, 1], 45.0, 0.0, true) }
# Runs the block, which may fail with error and with nothing else.
failing = ->(error, &call) { call.call rescue (raise unless $!.is_a?(error)) } # rubocop:disable Style/RescueModifier
3.times do |round|
  exporter = SketchupExporter.new
  ExportScene.run(exporter, File.join(folder, "scene#{round}.vsf"))
  open[exporter, File.join(folder, 'open.vsf')]
  exporter.begin_group('left open')
  exporter.add_faces2(*triangle, 'pending', 'tex.png', 1, 2, 3, 0.5)
  [-> { exporter.add_faces(*triangle, 'm', '', 1, 2, 3, 'x') },
   -> { exporter.add_faces2(*triangle[0, 5], [0.0, 'x'], 'm', '', 1, 2, 3, 1.0) },
   -> { exporter.transform([1.0] * 15) },
   -> { open[exporter, File.join(folder, 'no', 'x.vsf')] }, -> { exporter.add_faces(*triangle, "m\0", '', 1, 2, 3, 1.0) },
   -> { exporter.transform([1.0] * 14 + [Object.new.tap { |o| def o.to_f = GC.start.then { 1.0 } }]) }]
    .each { |call| call.call rescue nil } # rubocop:disable Style/RescueModifier
  open[exporter, '/dev/full']
  exporter.add_faces(*triangle, 'm', '', 1, 2, 3, 1.0)
  failing.call(IOError) { exporter.close_file }
  # An exporter dropped with its export open closes it when it is collected.
  open[SketchupExporter.new, File.join(folder, 'dropped.vsf')]
  face = Face.new(*triangle, 'brick', 'wood.png', 1, 2, 3, 1.0)
  face.parr = [1.0, 2.0, 3.0]
  face.material = 'x' * 256
  Face.new.farr = [1, 2, 3]
  vector = FloatVector.new([1.0, 2.0, 3.0])
  vector.send(:initialize, [4.0] * 50) # replaces the vector it held
  IntVector.new(5).send(:initialize, 7, 1)
  vector.select(&:positive?)
  vector.reject { |x| x > 1 }
  IntVector.new(10, 7).dup
  failing.call(RuntimeError) { FloatVector.new(2**62) }
end

# The driver's OBJ reader: a model read in two chunks and handed over, then failures in the
# file, in the caller's answer and in the block the model is handed to.
require 'vistrel_obj_reader'
Reading = Struct.new(:chunks) do
  def read_chunk = chunks.shift
  def material(name, _line) = name == 'x' ? raise(IOError, 'no') : 0
  def material_library(*) = nil
end
triangle_text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m\n"
VistrelObjReader.read(Reading.new([triangle_text, "g a\nf 1 2 3\nf 1 2 3 4\n"]), 'm') rescue nil # rubocop:disable Style/RescueModifier
VistrelObjReader.read(Reading.new(["#{triangle_text}usemtl x\n"]), 'm') rescue nil # rubocop:disable Style/RescueModifier
VistrelObjReader.read(Reading.new(["#{triangle_text}f 1 2 3\n"]), 'm').hand_over { |*| }
VistrelObjReader.read(Reading.new(["#{triangle_text}f 1 2 3\n"]), 'm').hand_over { raise 'stop' } rescue nil # rubocop:disable Style/RescueModifier
GC.start
FileUtils.remove_entry(folder)
