# frozen_string_literal: true

# OBJ model -> bin/vistrel-export -> scene file -> vistrel-inspect --obj -> the same triangles:
# every corner's position, normal and texture coordinates at single precision, in its group
# and with its material.
require 'minitest/autorun'
require 'open3'
require 'rbconfig'
require 'fileutils'
require 'tmpdir'

class ObjRoundTripTest < Minitest::Test
  ROOT = File.expand_path('../..', __dir__)
  EXPORT = File.join(ROOT, 'bin', 'vistrel-export')
  INSPECT = ENV.fetch('VISTREL_INSPECT', File.join(ROOT, 'build', 'tools', 'inspect', 'vistrel-inspect'))
  EXTENSION_DIR = ENV['VISTREL_EXTENSION_DIR'].to_s

  # Faces of an OBJ file, fan-triangulated: one entry per triangle with its group, material
  # and three corners of position, uv and normal (nil when the file gives none).
  def self.triangles(path)
    v = []
    vt = []
    vn = []
    group = 'default'
    material = nil
    out = []
    File.foreach(path) do |line|
      words = line.split
      case words.first
      when 'v' then v << single(words[1, 3])
      when 'vt' then vt << single(words[1, 2])
      when 'vn' then vn << single(words[1, 3])
      when 'o', 'g' then group = words[1] || 'default'
      when 'usemtl' then material = words[1]
      when 'f'
        corners = words.drop(1).map do |corner|
          i, t, n = corner.split('/', -1).map { |s| s.nil? || s.empty? ? nil : s.to_i }
          [at(v, i), t && at(vt, t), n && at(vn, n)]
        end
        (1...corners.size - 1).each do |k|
          out << [group, material, [corners[0], corners[k], corners[k + 1]]]
        end
      end
    end
    out
  end

  def self.single(numbers)
    numbers.map { |s| [Float(s)].pack('f').unpack1('f') }
  end

  def self.at(list, index)
    list.fetch(index.negative? ? list.size + index : index - 1)
  end

  def setup
    skip "the extension is not built in #{EXTENSION_DIR.inspect}" unless File.directory?(EXTENSION_DIR)
    @dir = Dir.mktmpdir('vistrel-round-trip')
  end

  def teardown
    FileUtils.remove_entry(@dir) if @dir
  end

  def round_trip(model)
    scene = File.join(@dir, 'scene.vsf')
    back = File.join(@dir, 'back.obj')
    env = { 'VISTREL_EXTENSION_DIR' => EXTENSION_DIR }
    _out, err, status = Open3.capture3(env, RbConfig.ruby, EXPORT, model, '-o', scene, '--quiet')
    assert status.success?, err
    out, err, status = Open3.capture3(INSPECT, scene, '--obj', back, '--quiet')
    assert status.success?, err + out
    [self.class.triangles(model), self.class.triangles(back)]
  end

  # As multisets, so that the order in which the exporter writes groups and materials is free.
  # Where the model gives no normal the exporter computes one per face: of unit length and
  # square to the face.
  def compare(source, back)
    shape = proc { |g, m, c| [g, m.to_s, c.map { |p, t, _| [p, t || [0.0, 0.0]] }] }
    assert_equal tally(source.map(&shape)), tally(back.map(&shape))
    normals_back = Hash.new { |h, k| h[k] = [] }
    back.each { |g, m, c| normals_back[shape.call(g, m, c)] << c.map(&:last) }
    source.each do |g, m, c|
      normals = normals_back[shape.call(g, m, c)].shift
      if c.all? { |_, _, n| n }
        assert_equal c.map(&:last), normals, "normals of #{g} #{c.inspect}"
      else
        normals.each { |n| assert_square_to_face(c.map(&:first), n) }
      end
    end
  end

  def tally(list)
    list.each_with_object(Hash.new(0)) { |item, counts| counts[item] += 1 }
  end

  def assert_square_to_face(positions, normal)
    assert_in_delta 1.0, Math.sqrt(normal.sum { |x| x * x }), 1e-5
    a, b, c = positions
    [b, c].each do |to|
      edge = a.zip(to).map { |x, y| y - x }
      length = Math.sqrt(edge.sum { |e| e * e })
      assert_in_delta 0.0, edge.zip(normal).sum { |e, n| e * n } / length, 1e-5 if length.positive?
    end
  end

  def test_sample_model_comes_back_corner_for_corner
    source, back = round_trip(File.join(ROOT, 'examples', 'sample', 'room.obj'))
    assert_equal 404, back.size
    # Faces without a material come back under the exporter's default material.
    source = source.map { |g, m, c| [g, m || back.find { |bg, _, _| bg == g }[1], c] }
    compare(source, back)
  end

  def test_polygons_negative_indices_and_shared_positions_with_other_uvs
    model = File.join(@dir, 'model.obj')
    File.write(model, <<~OBJ)
      v 0 0 0
      v 1.5 0 0
      v 1.5 1 0
      v 0.75 1.7 0
      v 0 1 0
      v 0.1 0.2 0.3
      vt 0 0
      vt 1 0
      vt 0.333333 0.666667
      vn 0 0 1
      vn 0 0.6 0.8
      g poly
      usemtl red
      f 1/1/1 2/2/1 3/3/1 4/1/1 5/2/1
      f -6/-1/-1 -5/-2/-1 -1/-3/-2
      g other
      usemtl blue
      f 1/2/2 2/3/2 3/1/2
    OBJ
    File.write(File.join(@dir, 'model.mtl'), "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n")
    source, back = round_trip(model)
    assert_equal 5, back.size
    compare(source, back)
  end
end
