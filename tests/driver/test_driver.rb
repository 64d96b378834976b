# frozen_string_literal: true

require_relative 'helper'

# The driver against a recording exporter.
class DriverTest < Minitest::Test
  include DriverTestHelper

  def export(path = nil, exporter = RecordingExporter.new, progress: nil)
    model = VistrelExport::ObjReader.new.read(VistrelExport::CLI::SAMPLE)
    camera = VistrelExport::Camera.new(model.bounds)
    summary = VistrelExport::Driver.new(exporter, progress: progress).export(model, camera, path)
    [exporter, summary, camera]
  end

  def test_the_sample_is_handed_over_in_the_modellers_order_with_whole_meshes
    done = []
    exporter, summary, camera = export(progress: ->(triangles, _total) { done << triangles })
    assert_equal 'Box { () } Room { Floor { (floor_tiles) } Walls { (wall_paint) } } Table { Top { (oak) } ' \
                 'Legs { (oak) } } Vase { (ceramic) } Glass { (glass) } Ball { (rubber) }', exporter.tree
    assert_equal %i[open_file close_file], [exporter.names.first, exporter.names.last]
    # No path: a new temporary file.
    assert_equal ['room', '', camera.eye, camera.direction, camera.up_vector, 45.0, 0.0, false], exporter.calls[0].drop(1)
    assert_equal [10, 8, 404], [summary.groups, summary.meshes, summary.triangles]
    assert_equal [12, 14, 18, 30, 78, 184, 212, 404], done
    # Meshes carry whole per-vertex arrays and their material's colour.
    meshes = exporter.meshes
    meshes.each do |m|
      assert_equal [3 * m[:vertices]] * 3 + [3 * m[:triangles]], [m[:vs], m[:ns], m[:uvs], m[:fs]].map(&:size)
      assert_equal [1, m[:vertices]], m[:fs].minmax, 'vertex numbers count from 1 and all are used'
    end
    assert_equal ['', '', 204, 204, 204, 1.0], meshes[0].values_at(:material, :texture, :r, :g, :b, :a)
    assert_equal ['oak', File.join(File.dirname(VistrelExport::CLI::SAMPLE), 'wood.png'), 186, 128, 71, 1.0],
                 meshes[3].values_at(:material, :texture, :r, :g, :b, :a)
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
end
