# frozen_string_literal: true

# OBJ model -> bin/vistrel-export -> scene file -> vistrel-inspect --obj -> the same triangles:
# every corner's position, normal and texture coordinates at single precision, in its group
# and with its material.
require 'minitest/autorun'
require 'open3'
require 'rbconfig'
require 'tmpdir'

class ObjRoundTripTest < Minitest::Test
  ROOT = File.expand_path('../..', __dir__)
  INSPECT = ENV.fetch('VISTREL_INSPECT', File.join(ROOT, 'build', 'tools', 'inspect', 'vistrel-inspect'))
  EXTENSION_DIR = ENV['VISTREL_EXTENSION_DIR'].to_s

  # Fan-triangulated faces of an OBJ file: [group, material, [[position, uv, normal] x 3]].
  def triangles(path)
    lists = Hash.new { |h, k| h[k] = [] }
    group = 'default'
    material = nil
    File.foreach(path).each_with_object([]) do |line, out|
      key, *words = line.split
      case key
      when 'v', 'vt', 'vn' then lists[key] << words.map { |s| [Float(s)].pack('f').unpack1('f') }
      when 'g', 'o' then group = words[0] || 'default'
      when 'usemtl' then material = words[0]
      when 'f'
        corners = words.map do |corner|
          %w[v vt vn].zip(corner.split('/', -1)).map do |list, index|
            i = index.to_i
            lists[list].fetch(i.negative? ? lists[list].size + i : i - 1) unless i.zero?
          end
        end
        (1...corners.size - 1).each { |k| out << [group, material, corners.values_at(0, k, k + 1)] }
      end
    end
  end

  def test_sample_model_comes_back_corner_for_corner
    skip "the extension is not built in #{EXTENSION_DIR.inspect}" unless File.directory?(EXTENSION_DIR)
    Dir.mktmpdir('vistrel-round-trip') do |dir|
      model = File.join(ROOT, 'examples', 'sample', 'room.obj')
      scene = File.join(dir, 'scene.vsf')
      written = File.join(dir, 'back.obj')
      _, err, status = Open3.capture3({ 'VISTREL_EXTENSION_DIR' => EXTENSION_DIR }, RbConfig.ruby,
                                      File.join(ROOT, 'bin', 'vistrel-export'), model, '-o', scene, '--quiet')
      assert status.success?, err
      out, err, status = Open3.capture3(INSPECT, scene, '--obj', written, '--quiet')
      assert status.success?, err + out
      back = triangles(written)
      assert_equal 404, back.size
      # Compared as multisets: the exporter may reorder groups and materials. Faces without a
      # material come back under the exporter's default material, faces without uvs at (0, 0).
      shape = proc { |g, m, c| [g, m || back.find { |bg, _, _| bg == g }[1], c.map { |p, t, _| [p, t || [0.0, 0.0]] }] }
      source = triangles(model)
      assert_equal source.map(&shape).tally, back.map(&shape).tally
      normals_back = back.group_by(&shape).transform_values { |list| list.map { |_, _, c| c.map(&:last) } }
      source.each do |g, m, c|
        normals = normals_back[shape.call(g, m, c)].shift
        next assert_equal(c.map(&:last), normals, "normals of #{g} #{c.inspect}") if c.all?(&:last)

        # The exporter computes a normal for the face: of unit length and square to it.
        a, b, d = c.map(&:first)
        across = [b.zip(a), d.zip(a)].map { |edge| edge.map { |x, y| x - y } }
        normals.each do |n|
          assert_in_delta 1.0, Math.sqrt(n.sum { |x| x * x }), 1e-5
          across.each do |e|
            length = Math.sqrt(e.sum { |x| x * x })
            assert_in_delta 0.0, e.zip(n).sum { |x, y| x * y } / length, 1e-5 if length.positive?
          end
        end
      end
    end
  end
end
