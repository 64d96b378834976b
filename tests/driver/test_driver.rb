# frozen_string_literal: true

require_relative 'helper'

class DriverTest < Minitest::Test
  include DriverTestHelper

  def sample_model
    VistrelExport::ObjReader.new.read(VistrelExport::CLI::SAMPLE)
  end

  def export(model, path, exporter = RecordingExporter.new, progress: nil)
    camera = VistrelExport::Camera.new(model.bounds)
    summary = VistrelExport::Driver.new(exporter, progress: progress).export(model, camera, path)
    [exporter, summary]
  end

  def test_the_sample_is_handed_over_in_the_modellers_order
    exporter, summary = export(sample_model, nil)
    calls = exporter.calls.map { |c| c.first == :add_faces2 ? [:add_faces2, c[7]] : c.take(2) }
    assert_equal [[:open_file, 'room'],
                  [:begin_group, 'Box'], [:add_faces2, ''], [:end_group],
                  [:begin_group, 'Room'],
                  [:begin_group, 'Floor'], [:add_faces2, 'floor_tiles'], [:end_group],
                  [:begin_group, 'Walls'], [:add_faces2, 'wall_paint'], [:end_group],
                  [:end_group],
                  [:begin_group, 'Table'],
                  [:begin_group, 'Top'], [:add_faces2, 'oak'], [:end_group],
                  [:begin_group, 'Legs'], [:add_faces2, 'oak'], [:end_group],
                  [:end_group],
                  [:begin_group, 'Vase'], [:add_faces2, 'ceramic'], [:end_group],
                  [:begin_group, 'Glass'], [:add_faces2, 'glass'], [:end_group],
                  [:begin_group, 'Ball'], [:add_faces2, 'rubber'], [:end_group],
                  [:close_file]], calls
    assert_equal [10, 8, 404], [summary.groups, summary.meshes, summary.triangles]
  end

  def test_open_file_gets_the_camera_and_a_temporary_output_unless_a_path_is_given
    model = sample_model
    camera = VistrelExport::Camera.new(model.bounds)
    exporter, = export(model, nil)
    assert_equal [:open_file, 'room', '', camera.eye, camera.direction, camera.up_vector, 45.0, 0.0, false],
                 exporter.calls.first
    path = File.join(@dir, 'out.vsf')
    exporter, summary = export(sample_model, path)
    assert_equal [path, true], exporter.calls.first.values_at(2, 8)
    assert_equal path, summary.path
  end

  def test_meshes_carry_whole_per_vertex_arrays_and_the_materials_colour
    meshes = export(sample_model, nil).first.meshes
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
    assert(top[:uvs].each_slice(3).all? { |_u, _v, w| w.zero? })
  end

  def test_progress_counts_triangles_handed_over
    reports = []
    export(sample_model, nil, progress: ->(done, total) { reports << [done, total] })
    assert_equal [12, 14, 18, 30, 78, 184, 212, 404], reports.map(&:first)
    assert(reports.all? { |_, total| total == 404 })
  end

  def test_a_failure_after_opening_closes_and_removes_the_incomplete_file
    path = File.join(@dir, 'out.vsf')
    exporter = RecordingExporter.new(fail_on: :add_faces2)
    exporter.define_singleton_method(:open_file) do |*args|
      super(*args)
      File.write(path, 'partial')
    end
    error = assert_raises(VistrelExport::Error) { export(sample_model, path, exporter) }
    assert_equal 'disk full', error.message
    assert_equal %i[open_file begin_group add_faces2 close_file], exporter.names
    refute File.exist?(path)
  end

  def test_a_model_without_faces_writes_the_camera_only
    model = read_obj("v 0 0 0\ng empty\n")
    exporter, summary = export(model, nil)
    assert_equal %i[open_file close_file], exporter.names
    assert_equal [0, 0, 0], [summary.groups, summary.meshes, summary.triangles]
  end
end
