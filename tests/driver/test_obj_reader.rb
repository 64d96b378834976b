# frozen_string_literal: true

require_relative 'helper'

# Reading OBJ models and their MTL materials.
class ObjReaderTest < Minitest::Test
  include DriverTestHelper

  SQUARE = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0.5 0.5\nvn 0 0 1\n"

  def only_mesh(text)
    meshes = export_obj(text).meshes
    assert_equal 1, meshes.size
    meshes.first
  end

  def test_corners_are_unified_into_vertices_and_split_where_uv_or_normal_differ
    mesh = only_mesh(SQUARE + "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\nf 1/5/1 3/3/1 4/4/1\n")
    # Corners 1/1/1 and 3/3/1 are shared; 1/5/1 has the same position but another uv.
    assert_equal [5, 3, [1, 2, 3, 1, 3, 4, 5, 3, 4]], mesh.values_at(:vertices, :triangles, :fs)
    assert_equal [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0], mesh[:vs]
    assert_equal [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.5, 0.5, 0.0], mesh[:uvs]
  end

  def test_polygons_are_fan_triangulated_and_negative_indices_count_back
    positive = only_mesh(SQUARE + "v 0.5 1.5 0\nf 1 2 3 5 4\n")
    assert_equal [1, 2, 3, 1, 3, 4, 1, 4, 5], positive[:fs]
    negative = only_mesh(SQUARE + "v 0.5 1.5 0\nf -5 -4 \\\n-3 -1 -2\n") # a line continued
    assert_equal positive.values_at(:fs, :vs), negative.values_at(:fs, :vs)
    # Relative indices count back from the elements read before the face, not from the end of file.
    assert_equal [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0], only_mesh("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 9 9 9\n")[:vs]
  end

  def test_missing_normals_are_computed_per_face_and_missing_uvs_are_zero
    # Two faces share the edge 2-3 but lie in different planes; the third face has uvs only.
    mesh = only_mesh("v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 0 2\nvt 0.25 0.75\nf 1 2 3\nf 3 2 4\nf 1/1 2/1 3/1\n")
    normals = mesh[:ns].each_slice(3).to_a
    assert_equal [[0.0, 0.0, 1.0]] * 3, normals[0, 3]
    # The second face's corners 3 and 2 become new vertices: same positions, another normal.
    assert_equal [1, 2, 3, 4, 5, 6, 7, 8, 9], mesh[:fs]
    normals[3, 3].each { |n| n.zip([-Math.sqrt(0.5), 0.0, -Math.sqrt(0.5)]).each { |a, b| assert_in_delta b, a, 1e-7 } }
    assert_equal [0.0] * 18 + [0.25, 0.75, 0.0] * 3, mesh[:uvs]
    # A run of faces in one plane shares its vertices, however long.
    grid = (0..2).flat_map { |j| (0..4).map { |i| "v #{i} #{j} 0\n" } }.join +
           [0, 1].product([0, 1, 2, 3]).map { |j, i| "f #{5 * j + i + 1} #{5 * j + i + 2} #{5 * j + i + 7} #{5 * j + i + 6}\n" }.join
    assert_equal [15, 16], only_mesh(grid).values_at(:vertices, :triangles)
    # A polygon without area gets a unit normal.
    assert_equal [0.0, 1.0, 0.0] * 3, only_mesh("v 0 0 0\nv 1 0 0\nv 2 0 0\nf 1 2 3\n")[:ns]
  end

  # A file cut off in transfer ends without a line break; old Mac files end lines with a lone CR.
  def test_the_last_line_and_lone_cr_line_ends_are_read_as_line_ends
    triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3"
    expected = only_mesh("#{triangle}\n")
    ['', ' # c', '\\', "\r", "\nv 9 9 9", "\nvt 0 0", "\nvn 0 0 1"].each do |ending|
      assert_equal expected, only_mesh(triangle + ending), ending.inspect
    end
    assert_equal expected, only_mesh("v 0 0 0\rv 1 0 0\r\rv 0 1 0\rf 1 \\\r2 3\r")
  end

  # Also: CRLF lines, comments, and names that are not UTF-8.
  def test_objects_and_groups_nest_continue_and_keep_one_mesh_per_material
    exporter = export_obj("mtllib model.mtl\r\nv 0 0 0 # origin\nv 1 0 0\nv 0 1 0\nf 1 2 3 # c 0\n" \
                          "o Chair\ng Chair\nusemtl red\nf 1 2 3\ng legs\nf 1 2 3\nusemtl blue\nf 1 2 3\n" \
                          "g seat\ng legs\nf 3 2 1\no caf\xE9\nf 1 2 3\n", mtl: "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n")
    assert_equal "default { () } Chair { (red) legs { (red) (blue) } } caf\xE9 { (blue) }".b, exporter.tree
    assert_equal [1, 1, 1, 2, 1], exporter.meshes.map { |m| m[:triangles] }
  end

  # Larger than the blocks the parser hands to the builder's thread.
  def test_a_large_model_keeps_every_face_in_its_group
    path = write_files('model.obj' => "v 0 0 0\nv 1 0 0\nv 0 1 0\n" + %w[a b c].map { |g| "g #{g}\n" + "f 1 -2 3\n" * 20_000 }.join)
    meshes = []
    VistrelExport::ObjReader.new.read(path).hand_over { |kind, *a| meshes << [a[1], a[2], a[3], a[4].uniq] if kind == :mesh }
    assert_equal [[3, 20_000, [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0], [1, 2, 3]]] * 3, meshes
  end

  # A large mesh comes in parts where no later triangle uses an earlier vertex, each numbering its
  # vertices from 1, so that add_faces2 joins them into the mesh again; one triangle reaching
  # back to the first vertices keeps it whole.
  def test_a_large_mesh_comes_in_parts_that_join_into_it
    faces = (1..40_000).map { |t| "v #{t} 0 0\nv #{t} 1 0\nv #{t} 0 1\nf -3 -2 -1\n" }.join
    [[faces, [16_384, 16_384, 7_232]], [faces + "f 1 2 3\n", [40_001]]].each do |text, sizes|
      parts = []
      VistrelExport::ObjReader.new.read(write_files('model.obj' => text)).hand_over do |kind, *a|
        parts << [kind, *a[1, 4]] if %i[mesh more].include?(kind)
      end
      assert_equal [[:mesh] + [:more] * (sizes.size - 1), sizes], [parts.map(&:first), parts.map { |p| p[2] }]
      base = 0
      joined = parts.flat_map do |_, vertices, _, vs, fs|
        assert_equal 3 * vertices, vs.size
        fs.map { |i| i + base }.tap { base += vertices }
      end
      assert_equal (1..120_000).to_a + [1, 2, 3][0, 3 * sizes.sum - 120_000], joined
    end
  end

  def test_materials_missing_or_undefined_are_warned_once_and_get_the_default_colour
    mesh = only_mesh("mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl paint\nf 1 2 3\nusemtl paint\nf 1 2 3\n")
    path = File.join(@dir, 'model.obj')
    assert_equal ["#{path}:1: material file 'gone.mtl' not found; its materials get the default colour",
                  "#{path}:5: material 'paint' is not defined; it gets the default colour"], @warnings
    assert_equal ['paint', '', 204, 204, 204, 1.0], mesh.values_at(:material, :texture, :r, :g, :b, :a)
  end
  # Textures are relative to the MTL file, with backslashes as folder separators; missing or
  # too long ones are dropped with a warning.
  def test_mtl_colour_opacity_and_textures
    long_dir = File.join(@dir, 'd' * 200, 'e' * 60)
    FileUtils.mkdir_p([File.join(@dir, 'maps'), long_dir])
    File.write(File.join(long_dir, 't.png'), 'png')
    materials = read_mtl("newmtl wood\nKd 0.5 0.25 1.2\nmap_Kd -s 2 2 -o 0.5 -bm 1 maps\\wood grain.png\n" \
                         "newmtl grey glass\nKd 0.3\nTr 0.25\nnewmtl both\nd 0.4\nTr 0.9\nnewmtl b\nmap_Kd b.png\n" \
                         "newmtl #{'n' * 300}\nmap_Kd #{long_dir}/t.png\n", 'maps/wood grain.png' => 'png')
    assert_equal ['wood', 128, 64, 255, 1.0, File.join(@dir, 'maps/wood grain.png')], materials['wood'].to_a
    assert_equal ['grey glass', 77, 77, 77, 0.75, ''], materials['grey glass'].to_a
    assert_in_delta 0.4, materials['both'].opacity, 0, 'd wins over Tr'
    assert_equal ['wood', 'grey glass', 'both', 'b', 'n' * 255], materials.keys
    assert_equal ['', ''], [materials['b'].texture, materials['n' * 255].texture]
    path = File.join(@dir, 'm.mtl')
    assert_equal ["#{path}:11: texture 'b.png' not found (#{@dir}/b.png); material 'b' is exported without it",
                  "#{path}:12: material name cut to 255 bytes",
                  "#{path}:13: texture path longer than 255 bytes; material '#{'n' * 255}' is exported without it"],
                 @warnings
  end

  def test_bad_models_and_materials_are_reported_with_file_and_line
    path = File.join(@dir, 'model.obj')
    {
      "v 0 1e999 0\n" => "1: v: '1e999' is not a finite number",
      "v 0 0 0\nvn 1,5 0 1\n" => "2: vn: '1,5' is not a finite number",
      "v 0 0 0\nv 1 0 0\n\nf 1 2\n" => '4: f needs at least 3 vertices, got 2',
      "v 0 0 0\nv 1 0 0\nf 1 2 -3\n" => '3: vertex index -3 out of range (2 vertices defined so far)',
      "v 0 0 \\\r\n0\nv 1 0 0\nf 1 2 3\n" => '4: vertex index 3 out of range (2 vertices defined so far)',
      "v 0 0 0\nvt 0 0\nf 1/1 1/2 1/1\n" => '3: texture coordinate index 2 out of range (1 texture coordinates defined so far)',
      "v 0 0 0\rv 1 0 0\r\rf 1 2 3\r" => '4: vertex index 3 out of range (2 vertices defined so far)',
      "#{SQUARE}f 4294967297 2 3\n" => '11: vertex index 4294967297 out of range (4 vertices defined so far)',
      "#{SQUARE}f 1 2 3/1/-9223372036854775807" => '11: normal index -9223372036854775807 out of range (1 normals defined so far)',
      "#{SQUARE}f 1 2 3x\n" => "11: f: '3x' is not a corner (whole-number indices v, v/vt, v//vn or v/vt/vn)",
      "#{SQUARE}f 1/2.5 2 3\n" => "11: f: '1/2.5' is not a corner (whole-number indices v, v/vt, v//vn or v/vt/vn)",
      "#{SQUARE}f 1 2/ 3\n" => "11: f: '2/' is not a corner (whole-number indices v, v/vt, v//vn or v/vt/vn)",
      "#{SQUARE}f 1 2 3\0 4\n" => "11: f: '3?' is not a corner (whole-number indices v, v/vt, v//vn or v/vt/vn)",
      "v 0 \e]0;x\a 0\n" => "1: v: '?]0;x?' is not a finite number",
      "mtllib a\0b.mtl\n" => '1: mtllib: a file name cannot hold a NUL byte',
      **%w[1-2 1.2.3 1e - +-1].to_h { |word| ["v 0 0 0\nv 0 #{word} 0\n", "2: v: '#{word}' is not a finite number"] }
    }.each { |text, message| assert_error("#{path}:#{message}") { export_obj(text) } }
    mtl = File.join(@dir, 'm.mtl')
    assert_error("#{@dir}/model.mtl:1: Kd before any newmtl") { export_obj("mtllib model.mtl\n", mtl: "Kd 1 1 1\n") }
    assert_error("#{mtl}:2: Kd: 'red' is not a number") { read_mtl("newmtl a\nKd 1 red 1\n") }
    assert_error("#{mtl}:2: map_Kd: a file name cannot hold a NUL byte") { read_mtl("newmtl a\nmap_Kd x\0y.png\n") }
    missing = File.join(@dir, 'none.obj')
    assert_error("#{missing}: no such file") { VistrelExport::ObjReader.new.read(missing) }
  end
end
