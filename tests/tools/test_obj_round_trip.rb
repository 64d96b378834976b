# frozen_string_literal: true

# OBJ model -> bin/vistrel-export -> scene file -> vistrel-inspect --obj -> the same triangles:
# every corner's position, uv and normal at single precision, in its group, with its material.
%w[minitest/autorun open3 rbconfig tmpdir].each { |library| require library }

class ObjRoundTripTest < Minitest::Test
  ROOT = File.expand_path('../..', __dir__)
  EXTENSION_DIR = ENV['VISTREL_EXTENSION_DIR'].to_s

  # Fan-triangulated faces of an OBJ file: [group, material, [[position, uv, normal] x 3]].
  def triangles(path)
    lists = Hash.new { |h, k| h[k] = [] }
    group, material = 'default', nil
    File.foreach(path).each_with_object([]) do |line, out|
      key, *words = line.split
      case key
      when 'v', 'vt', 'vn' then lists[key] << words.map { |s| [Float(s)].pack('f').unpack1('f') }
      when 'g', 'o' then group = words[0] || 'default'
      when 'usemtl' then material = words[0]
      when 'f'
        c = words.map { |w| %w[v vt vn].zip(w.split('/')).map { |l, i| lists[l].fetch(i.to_i.negative? ? i.to_i : i.to_i - 1) if i.to_i != 0 } }
        (1...c.size - 1).each { |k| out << [group, material, c.values_at(0, k, k + 1)] }
      end
    end
  end

  def sh(*command) = Open3.capture3(*command).then { |out, err, status| assert status.success?, err + out }

  def test_sample_model_comes_back_corner_for_corner
    skip "the extension is not built in #{EXTENSION_DIR.inspect}" unless File.directory?(EXTENSION_DIR)
    Dir.mktmpdir('vistrel-round-trip') do |dir|
      model = File.join(ROOT, 'examples', 'sample', 'room.obj')
      scene, written = File.join(dir, 'scene.vsf'), File.join(dir, 'back.obj')
      sh({ 'VISTREL_EXTENSION_DIR' => EXTENSION_DIR }, RbConfig.ruby, File.join(ROOT, 'bin', 'vistrel-export'),
         model, '-o', scene, '--quiet')
      sh(ENV.fetch('VISTREL_INSPECT'), scene, '--obj', written, '--quiet')
      back = triangles(written)
      assert_equal 404, back.size
      # Compared as multisets: groups and materials may be reordered. Faces without a material
      # come back under the exporter's default material, faces without uvs at (0, 0).
      shape = proc { |g, m, c| [g, m || back.find { |bg, | bg == g }[1], c.map { |p, t, _| [p, t || [0.0, 0.0]] }] }
      assert_equal triangles(model).map(&shape).tally, back.map(&shape).tally
      normals_back = back.group_by(&shape).transform_values { |list| list.map { |_, _, c| c.map(&:last) } }
      # Given normals come back as they were; computed ones are checked in the driver's tests.
      triangles(model).each do |g, m, c|
        normals = normals_back[shape.call(g, m, c)].shift
        assert_equal(c.map(&:last), normals) if c.all?(&:last)
      end
    end
  end
end
