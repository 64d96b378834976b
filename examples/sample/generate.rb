#!/usr/bin/env ruby
# frozen_string_literal: true

# Writes the sample scene beside this script: room.obj, room.mtl and the wood texture wood.png.
# Run it again after changing it; the files it writes are kept in the repository.
#
# A corner of a room (Y up, metres): a tiled floor and two walls, a wooden table with a vase and
# a glass on it, a ball and a plain box on the floor. It uses what OBJ models commonly hold:
# objects with nested groups, quads and larger polygons, given and missing normals, texture
# coordinates, negative indices, and faces without a material.

require 'zlib'

DIR = __dir__

# A minimal PNG writer: 8-bit RGB, no interlace, every row with filter 0.
module Png
  def self.chunk(type, data)
    [data.bytesize].pack('N') + type + data + [Zlib.crc32(type + data)].pack('N')
  end

  def self.write(path, width, height)
    rows = (0...height).map do |y|
      "\0".b + (0...width).map { |x| yield(x, y).pack('C3') }.join
    end
    header = [width, height, 8, 2, 0, 0, 0].pack('NNC5')
    File.binwrite(path, "\x89PNG\r\n\x1a\n".b + chunk('IHDR', header) +
                        chunk('IDAT', Zlib::Deflate.deflate(rows.join, 9)) + chunk('IEND', ''))
  end
end

# Wood: growth rings around a centre off the image, bent by a slow wave, with fine grain.
def wood_texture(path)
  Png.write(path, 64, 64) do |x, y|
    bend = 3.0 * Math.sin(y / 9.0)
    ring = Math.hypot(x + bend + 40, (y - 32) * 0.25)
    t = (Math.sin(ring * 0.9) + 1) / 2
    grain = 0.06 * Math.sin(x * 2.7 + y * 0.3)
    shade = (0.75 + 0.25 * t + grain).clamp(0.0, 1.0)
    [(186 * shade).round, (128 * shade).round, (72 * shade).round]
  end
end

# Collects OBJ statements; indices count from 1 over the whole file, as OBJ has them.
class ObjText
  attr_reader :lines

  def initialize
    @lines = []
    @v = @vt = @vn = 0
  end

  def <<(line)
    @lines << line
    self
  end

  def v(x, y, z)
    @lines << format('v %.4f %.4f %.4f', x, y, z)
    @v += 1
  end

  def vt(u, v)
    @lines << format('vt %.4f %.4f', u, v)
    @vt += 1
  end

  def vn(x, y, z)
    @lines << format('vn %.4f %.4f %.4f', x, y, z)
    @vn += 1
  end

  # An axis-aligned box from min to max: a quad per side with its normal and, when uv is set,
  # texture coordinates stretched over each side.
  def box(min, max, uv: false)
    first = @v + 1
    [0, 1].product([0, 1], [0, 1]).each { |i, j, k| v(i.zero? ? min[0] : max[0], j.zero? ? min[1] : max[1], k.zero? ? min[2] : max[2]) }
    corner = ->(i, j, k) { first + i * 4 + j * 2 + k }
    sides = {
      [-1, 0, 0] => [[0, 0, 0], [0, 0, 1], [0, 1, 1], [0, 1, 0]],
      [1, 0, 0] => [[1, 0, 1], [1, 0, 0], [1, 1, 0], [1, 1, 1]],
      [0, -1, 0] => [[0, 0, 0], [1, 0, 0], [1, 0, 1], [0, 0, 1]],
      [0, 1, 0] => [[0, 1, 1], [1, 1, 1], [1, 1, 0], [0, 1, 0]],
      [0, 0, -1] => [[1, 0, 0], [0, 0, 0], [0, 1, 0], [1, 1, 0]],
      [0, 0, 1] => [[0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]]
    }
    if uv
      vt0 = @vt + 1
      [[0, 0], [1, 0], [1, 1], [0, 1]].each { |u, w| vt(u, w) }
    end
    sides.each do |normal, corners|
      vn(*normal)
      refs = corners.each_with_index.map do |(i, j, k), n|
        uv ? "#{corner.(i, j, k)}/#{vt0 + n}/#{@vn}" : "#{corner.(i, j, k)}//#{@vn}"
      end
      @lines << "f #{refs.join(' ')}"
    end
  end

  # A solid of revolution around the vertical axis through (cx, cz), from a profile of
  # [radius, height] pairs, with smooth normals, and a flat polygon closing the bottom.
  # Faces refer back with negative indices.
  def lathe(cx, cz, profile, segments)
    rings = profile.map do |r, y|
      (0...segments).map do |s|
        a = 2 * Math::PI * s / segments
        v(cx + r * Math.cos(a), y, cz + r * Math.sin(a))
        vn(Math.cos(a), 0.25, Math.sin(a))
      end
    end
    count = rings.flatten.size
    rel = ->(ring, s) { (ring * segments + s % segments) - count }
    (0...profile.size - 1).each do |ring|
      segments.times do |s|
        quad = [[ring, s + 1], [ring, s], [ring + 1, s], [ring + 1, s + 1]]
        @lines << "f #{quad.map { |rg, sg| "#{rel.(rg, sg)}//#{rel.(rg, sg)}" }.join(' ')}"
      end
    end
    # The bottom has no normal of its own; the reader works it out.
    @lines << "f #{(0...segments).map { |s| rel.(0, s) }.join(' ')}"
  end

  # A sphere of stacks and slices, smooth.
  def sphere(centre, radius, stacks, slices)
    first = @v + 1
    normal_offset = @vn - @v
    (0..stacks).each do |i|
      phi = Math::PI * i / stacks
      (0...slices).each do |j|
        theta = 2 * Math::PI * j / slices
        n = [Math.sin(phi) * Math.cos(theta), Math.cos(phi), Math.sin(phi) * Math.sin(theta)]
        v(*centre.zip(n).map { |c, d| c + radius * d })
        vn(*n)
      end
    end
    at = ->(i, j) { first + i * slices + j % slices }
    stacks.times do |i|
      slices.times do |j|
        quad = [at.(i, j), at.(i, j + 1), at.(i + 1, j + 1), at.(i + 1, j)]
        @lines << "f #{quad.map { |k| "#{k}//#{k + normal_offset}" }.join(' ')}"
      end
    end
  end
end

def room_obj
  o = ObjText.new
  o << '# Sample scene for vistrel-export: a corner of a room with a table.' << 'mtllib room.mtl'
  # Faces before any usemtl have no material; the exporter keys them by colour.
  o << 'o Box' << 'g Box'
  o.box([1.2, 0.0, 0.5], [1.6, 0.4, 0.9])

  o << 'o Room' << 'g Floor' << 'usemtl floor_tiles'
  [[-2.5, -2.0], [2.5, -2.0], [2.5, 2.5], [-2.5, 2.5]].each { |x, z| o.v(x, 0.0, z) }
  o.vn(0, 1, 0)
  o << 'f -4//1 -1//1 -2//1 -3//1'
  o << 'g Walls' << 'usemtl wall_paint'
  [[-2.5, 0, -2.0], [2.5, 0, -2.0], [2.5, 2.6, -2.0], [-2.5, 2.6, -2.0],
   [-2.5, 0, 2.5], [-2.5, 2.6, 2.5]].each { |p| o.v(*p) }
  # Walls without normals: the reader gives each wall its own flat normal.
  o << 'f -6 -5 -4 -3' << 'f -6 -3 -1 -2'

  o << 'o Table' << 'usemtl oak'
  o << 'g Top'
  o.box([-0.8, 0.72, -0.45], [0.8, 0.77, 0.45], uv: true)
  o << 'g Legs'
  [[-0.75, -0.4], [0.7, -0.4], [-0.75, 0.35], [0.7, 0.35]].each do |x, z|
    o.box([x, 0.0, z], [x + 0.05, 0.72, z + 0.05], uv: true)
  end

  o << 'o Vase' << 'usemtl ceramic'
  o.lathe(-0.3, 0.0, [[0.06, 0.77], [0.11, 0.87], [0.09, 1.0], [0.05, 1.08], [0.065, 1.12]], 12)
  o << 'o Glass' << 'usemtl glass'
  o.lathe(0.35, 0.1, [[0.035, 0.77], [0.04, 0.9]], 10)
  o << 'o Ball' << 'usemtl rubber'
  o.sphere([-1.2, 0.25, 1.0], 0.25, 8, 12)
  o.lines.join("\n") + "\n"
end

MTL = <<~MTL
  # Materials of the sample scene.
  newmtl floor_tiles
  Kd 0.62 0.60 0.55

  newmtl wall_paint
  Kd 0.90 0.88 0.80

  newmtl oak
  Kd 0.73 0.50 0.28
  map_Kd wood.png

  newmtl ceramic
  Kd 0.20 0.35 0.70

  newmtl glass
  Kd 0.85 0.95 0.95
  d 0.35

  newmtl rubber
  Kd 0.80 0.12 0.10
MTL

wood_texture(File.join(DIR, 'wood.png'))
File.write(File.join(DIR, 'room.mtl'), MTL)
File.write(File.join(DIR, 'room.obj'), room_obj)
