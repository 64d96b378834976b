# frozen_string_literal: true

require 'stringio'
require_relative 'helper'

# The driver against a recording exporter, the default camera and the progress meter.
class DriverTest < Minitest::Test
  include DriverTestHelper

  def export(path = nil, exporter = RecordingExporter.new, model: nil, progress: nil)
    model ||= VistrelExport::ObjReader.new.read(VistrelExport::CLI::SAMPLE)
    camera = VistrelExport::Camera.new(model.bounds)
    summary = VistrelExport::Driver.new(exporter, progress: progress).export(model, camera, path)
    [exporter, summary, camera]
  end

  def test_the_sample_is_handed_over_in_the_modellers_order_with_whole_meshes
    done = []
    exporter, summary, camera = export(progress: ->(triangles, _total) { done << triangles })
    tree = exporter.calls.map do |name, *args|
      { begin_group: "#{args[0]} {", end_group: '}', add_faces2: "(#{args[6]})" }.fetch(name, name.to_s)
    end
    assert_equal 'open_file Box { () } Room { Floor { (floor_tiles) } Walls { (wall_paint) } } Table { Top { (oak) } ' \
                 'Legs { (oak) } } Vase { (ceramic) } Glass { (glass) } Ball { (rubber) } close_file', tree.join(' ')
    # No path: a new temporary file.
    assert_equal ['room', '', camera.eye, camera.direction, camera.up_vector, 45.0, 0.0, false], exporter.calls[0].drop(1)
    assert_equal [10, 8, 404], [summary.groups, summary.meshes, summary.triangles]
    assert_equal [12, 14, 18, 30, 78, 184, 212, 404], done
    # Meshes carry whole per-vertex arrays and their material's colour.
    meshes = exporter.calls.select { |c| c.first == :add_faces2 }.map do |c|
      %i[num_vertices num_faces vs fs ns uvs material texture r g b a].zip(c.drop(1)).to_h
    end
    meshes.each do |m|
      assert_equal [3 * m[:num_vertices]] * 3, [m[:vs].size, m[:ns].size, m[:uvs].size]
      assert_equal 3 * m[:num_faces], m[:fs].size
      assert_equal [1, m[:num_vertices]], m[:fs].minmax, 'vertex numbers count from 1 and all are used'
    end
    box, floor, _walls, top = meshes
    assert_equal ['', '', 204, 204, 204, 1.0], box.values_at(:material, :texture, :r, :g, :b, :a)
    assert_equal [158, 153, 140], floor.values_at(:r, :g, :b)
    assert_equal File.join(File.dirname(VistrelExport::CLI::SAMPLE), 'wood.png'), top[:texture]
    assert_equal 0.35, meshes.find { |m| m[:material] == 'glass' }[:a]
  end

  def test_a_failure_after_opening_closes_and_removes_the_incomplete_file
    path = File.join(@dir, 'out.vsf')
    exporter = RecordingExporter.new(fail_on: :add_faces2)
    exporter.define_singleton_method(:open_file) do |*args|
      super(*args)
      File.write(path, 'partial')
    end
    assert_error('disk full') { export(path, exporter) }
    assert_equal %i[open_file begin_group add_faces2 close_file], exporter.names
    refute File.exist?(path)
  end

  def test_groups_without_faces_are_left_out
    exporter, summary = export(model: read_obj("v 0 0 0\ng empty\n"))
    assert_equal %i[open_file close_file], exporter.names
    assert_equal [0, 0, 0], [summary.groups, summary.meshes, summary.triangles]
  end

  def test_default_camera_fits_the_bounding_sphere_and_impossible_views_are_refused
    box = [[-1.0, 0.0, -2.0], [3.0, 2.0, 2.0]] # centre (1, 1, 0), radius 3
    camera = VistrelExport::Camera.new(box)
    # From the front right above: 30 degrees to the right, 25 degrees up.
    rad = Math::PI / 180
    offset = [Math.cos(25 * rad) * Math.sin(30 * rad), Math.sin(25 * rad), Math.cos(25 * rad) * Math.cos(30 * rad)]
    distance = 3 * 1.05 / Math.sin(22.5 * rad)
    expected = [1 + distance * offset[0], 1 + distance * offset[1], distance * offset[2]]
    expected.zip(camera.eye).each { |e, a| assert_in_delta e, a, 1e-12 }
    assert_in_delta 0.0, camera.up_vector.zip(camera.direction).sum { |a, b| a * b }, 1e-12
    {
      { fov: 180.0 } => '--fov must lie between 0 and 180 degrees, got 180.0',
      { eye: [1.0, 1.0, 0.0] } => 'the eye and the target are the same point',
      { eye: [1.0, 5.0, 0.0] } => 'the up direction is parallel to the view direction'
    }.each do |options, message|
      assert_equal message, assert_raises(VistrelExport::UsageError) { VistrelExport::Camera.new(box, **options) }.message
    end
  end

  # On a terminal the line is rewritten in place, at most every 0.2 s but always at 100%.
  def test_progress_on_a_terminal
    io = StringIO.new
    io.define_singleton_method(:tty?) { true }
    time = 0.0
    meter = VistrelExport::Progress.new(io, clock: -> { time })
    [[100, 0.5], [200, 0.6], [500, 0.8], [1000, 0.85]].each do |done, seconds|
      time = seconds
      meter.exporting(done, 1000)
    end
    meter.finish
    assert_equal "\rexporting  10%  100 triangles  0.5 s\e[K\rexporting  50%  500 triangles  0.8 s\e[K" \
                 "\rexporting 100%  1000 triangles  0.8 s\e[K\n", io.string
  end
end
