# frozen_string_literal: true

require_relative 'helper'

class ObjReaderTest < Minitest::Test
  include DriverTestHelper

  SQUARE = <<~OBJ
    v 0 0 0
    v 1 0 0
    v 1 1 0
    v 0 1 0
    vt 0 0
    vt 1 0
    vt 1 1
    vt 0 1
    vt 0.5 0.5
    vn 0 0 1
  OBJ

  def only_mesh(model)
    meshes = model.meshes
    assert_equal 1, meshes.size
    meshes.first
  end

  def test_corners_are_unified_into_vertices_and_split_where_uv_or_normal_differ
    mesh = only_mesh(read_obj(SQUARE + "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\nf 1/5/1 3/3/1 4/4/1\n"))
    # Corners 1/1/1 and 3/3/1 are shared; 1/5/1 has the same position but another uv.
    assert_equal [1, 2, 3, 1, 3, 4, 5, 3, 4], mesh.triangles
    assert_equal [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0], mesh.positions
    assert_equal [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.5, 0.5, 0.0], mesh.uvs
    assert_equal [0.0, 0.0, 1.0] * 5, mesh.normals
    assert_equal 5, mesh.vertex_count
  end

  def test_polygons_are_fan_triangulated_and_negative_indices_count_back
    positive = only_mesh(read_obj(SQUARE + "v 0.5 1.5 0\nf 1 2 3 5 4\n"))
    assert_equal [1, 2, 3, 1, 3, 4, 1, 4, 5], positive.triangles
    negative = only_mesh(read_obj(SQUARE + "v 0.5 1.5 0\nf -5 -4 -3 -1 -2\n"))
    assert_equal positive.triangles, negative.triangles
    assert_equal positive.positions, negative.positions
    # Relative indices count back from the elements read before the face, not from the end of file.
    late = only_mesh(read_obj("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 9 9 9\n"))
    assert_equal [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0], late.positions
  end

  def test_missing_normals_are_computed_per_face_and_missing_uvs_are_zero
    # Two faces share the edge 2-3 but lie in different planes; the third face has uvs only.
    mesh = only_mesh(read_obj("v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 0 2\nvt 0.25 0.75\n" \
                              "f 1 2 3\nf 3 2 4\nf 1/1 2/1 3/1\n"))
    normals = mesh.normals.each_slice(3).to_a
    assert_equal [[0.0, 0.0, 1.0]] * 3, normals[0, 3]
    # The second face's corners 3 and 2 become new vertices: same positions, another normal.
    assert_equal [1, 2, 3, 4, 5, 6, 7, 8, 9], mesh.triangles
    normals[3, 3].each { |n| n.zip([-Math.sqrt(0.5), 0.0, -Math.sqrt(0.5)]).each { |a, b| assert_in_delta b, a, 1e-15 } }
    assert_equal [0.0] * 18 + [0.25, 0.75, 0.0] * 3, mesh.uvs
    assert_equal normals[0, 3], normals[6, 3]
  end

  def test_a_polygon_without_area_gets_a_unit_normal
    mesh = only_mesh(read_obj("v 0 0 0\nv 1 0 0\nv 2 0 0\nf 1 2 3\n"))
    assert_equal [0.0, 1.0, 0.0] * 3, mesh.normals
  end

  def test_objects_and_groups_nest_continue_and_keep_one_mesh_per_material
    model = read_obj(<<~OBJ, mtl: "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n")
      mtllib model.mtl
      v 0 0 0
      v 1 0 0
      v 0 1 0
      f 1 2 3
      o Chair
      g Chair
      usemtl red
      f 1 2 3
      g legs
      f 1 2 3
      usemtl blue
      f 1 2 3
      g seat
      g legs
      f 3 2 1
      o
      f 1 2 3
    OBJ
    tree = model.groups.map { |g| [g.name, g.meshes.map { |m, mesh| [m&.name, mesh.triangle_count] }] }
    assert_equal [['default', [[nil, 1]]], ['Chair', [['red', 1]]], ['legs', [['red', 1], ['blue', 2]]],
                  ['', [['blue', 1]]]], tree
    assert_equal ['legs'], model.root.children[1].children.select(&:any_faces?).map(&:name)
    assert_equal 'model', model.name
  end

  def test_comments_continuations_and_crlf_lines
    mesh = only_mesh(read_obj("# c\r\nv 0 0 0 # origin\r\nv 1 0 0\r\nv 0 1 \\\r\n 0\r\nf 1 2 \\\n3\n"))
    assert_equal [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0], mesh.positions
    assert_equal [1, 2, 3], mesh.triangles
  end

  def test_materials_missing_or_undefined_are_warned_once_and_get_the_default_colour
    model = read_obj("mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl paint\nf 1 2 3\nusemtl paint\nf 1 2 3\n")
    path = File.join(@dir, 'model.obj')
    assert_equal ["#{path}:1: material file 'gone.mtl' not found; its materials get the default colour",
                  "#{path}:5: material 'paint' is not defined; it gets the default colour"], @warnings
    material = model.meshes.first.material
    assert_equal ['paint', 204, 204, 204, 1.0, ''], material.to_a
  end

  def test_malformed_lines_are_reported_with_file_and_line
    path = File.join(@dir, 'model.obj')
    {
      "v 0 0\n" => '1: v needs 3 numbers',
      "v\n" => '1: v needs 3 numbers',
      "v 0 0 zero\n" => "1: v: 'zero' is not a finite number",
      "v 0 1e999 0\n" => "1: v: '1e999' is not a finite number",
      "vn 1 0\n" => '1: vn needs 3 numbers',
      "vt\n" => '1: vt needs at least 1 number',
      "v 0 0 0\nv 1 0 0\n\nf 1 2\n" => '4: f needs at least 3 vertices, got 2',
      "v 0 0 0\nv 1 0 0\nf 1 2 3\n" => '3: vertex index 3 out of range (2 vertices defined so far)',
      "v 0 0 0\nv 1 0 0\nf 1 2 -3\n" => '3: vertex index -3 out of range (2 vertices defined so far)',
      "v 0 0 0\nv 1 0 0\nf 0 1 2\n" => '3: vertex index 0 out of range (2 vertices defined so far)',
      "v 0 0 0\nv 1 0 0\nf 1 2 x\n" => "3: vertex index 'x' is not a whole number",
      "v 0 0 0\nv 1 0 0\nf 1 2 1.5\n" => "3: vertex index '1.5' is not a whole number",
      "v 0 0 0\nf 1/1 1 1\n" => '2: texture coordinate index 1 out of range (0 texture coordinates defined so far)',
      "v 0 0 0\nf 1//2 1 1\n" => '2: normal index 2 out of range (0 normals defined so far)',
      "v 0 0 0\nf 1/1/1/1 1 1\n" => "2: bad vertex '1/1/1/1'"
    }.each do |text, message|
      assert_error("#{path}:#{message}") { read_obj(text) }
    end
  end

  def test_files_that_cannot_be_read
    missing = File.join(@dir, 'none.obj')
    assert_error("#{missing}: no such file") { VistrelExport::ObjReader.new.read(missing) }
    assert_error("#{@dir}: is a folder, not a model file") { VistrelExport::ObjReader.new.read(@dir) }
    locked = write_files('locked.obj' => "v 0 0 0\n")
    File.chmod(0o000, locked)
    skip 'running as root: permissions are not enforced' if File.readable?(locked)
    assert_error("cannot read #{locked}: Permission denied") { VistrelExport::ObjReader.new.read(locked) }
  end

  def test_bytes_that_are_not_utf8_in_names_do_not_stop_the_reader
    model = read_obj("v 0 0 0\nv 1 0 0\nv 0 1 0\ng caf\xE9\nf 1 2 3\n")
    assert_equal "caf\xE9".b, model.groups.first.name
  end
end
