# frozen_string_literal: true

module VistrelExport
  # The model's shared vertex data, flat: positions and normals 3 floats each, texture
  # coordinates 2 each. face_normals holds the normals computed for faces that give none.
  class VertexData
    attr_reader :positions, :texcoords, :normals, :face_normals

    def initialize
      @positions = []
      @texcoords = []
      @normals = []
      @face_normals = []
    end

    # Number of the computed normal (x, y, z). A face in the plane of the face before it shares
    # that face's normal, so that flat runs of faces share their vertices; a table of all normals
    # would cost more memory than it saves on models without normals.
    def face_normal_id(x, y, z)
      n = @face_normals
      last = n.size - 3
      return last / 3 if last >= 0 && n[last] == x && n[last + 1] == y && n[last + 2] == z

      n.push(x, y, z)
      n.size / 3 - 1
    end
  end

  # Builds the per-vertex arrays of one material in one group: each distinct combination of
  # position, texture coordinate and normal becomes one vertex, numbered from 1.
  #
  # A corner is (position index, texcoord index or -1, normal code). A normal code n >= 0 is a
  # given normal and n < 0 the computed face normal -n - 1.
  class MeshBuilder
    attr_reader :material, :positions, :normals, :uvs, :triangles

    def initialize(material, data)
      @material = material
      @data = data
      @positions = []
      @normals = []
      @uvs = []
      @triangles = []
      # Most positions meet one texcoord and normal only: the first vertex made from a position
      # is found by the position alone, and the others by the whole corner.
      @first_vertex = {}
      @corner_uv = []
      @corner_normal = []
      @other_vertices = nil
      @run_normal = nil
      @run_vertices = nil
    end

    def vertex_count
      @corner_uv ? @corner_uv.size : @counts[0]
    end

    def triangle_count
      @triangles ? @triangles.size / 3 : @counts[1]
    end

    # The vertex number (from 1) of a corner, made when the corner is new.
    def vertex(position, uv, normal)
      return flat_vertex(position, uv, normal) if normal.negative?

      number = @first_vertex[position]
      unless number
        number = @first_vertex[position] = append(position, uv, normal)
        return number
      end
      return number if @corner_uv[number - 1] == uv && @corner_normal[number - 1] == normal

      (@other_vertices ||= {})[[position, uv, normal]] ||= append(position, uv, normal)
    end

    # Fan-triangulates a polygon given by its vertex numbers.
    def add_polygon(numbers)
      first = numbers[0]
      i = 1
      last = numbers.size - 1
      while i < last
        @triangles.push(first, numbers[i], numbers[i + 1])
        i += 1
      end
    end

    # Frees the arrays once the exporter has its copy.
    def release
      @counts = [vertex_count, triangle_count]
      @positions = @normals = @uvs = @triangles = nil
      @first_vertex = @other_vertices = @run_vertices = @corner_uv = @corner_normal = nil
    end

    private

    # Corners with a computed normal share vertices only within a run of faces with the same
    # normal, which keeps the tables small.
    def flat_vertex(position, uv, normal)
      if normal != @run_normal
        @run_normal = normal
        @run_vertices = {}
      end
      number = @run_vertices[position]
      return number if number && @corner_uv[number - 1] == uv

      @run_vertices[position] = append(position, uv, normal)
    end

    def append(position, uv, normal)
      p = @data.positions
      @positions.push(p[3 * position], p[3 * position + 1], p[3 * position + 2])
      if uv >= 0
        t = @data.texcoords
        @uvs.push(t[2 * uv], t[2 * uv + 1], 0.0)
      else
        @uvs.push(0.0, 0.0, 0.0)
      end
      if normal >= 0
        n = @data.normals
        @normals.push(n[3 * normal], n[3 * normal + 1], n[3 * normal + 2])
      else
        n = @data.face_normals
        k = -3 * normal - 3
        @normals.push(n[k], n[k + 1], n[k + 2])
      end
      @corner_uv << uv
      @corner_normal << normal
      @corner_uv.size
    end
  end
end
