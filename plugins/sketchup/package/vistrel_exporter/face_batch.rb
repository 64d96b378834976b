# frozen_string_literal: true

module VistrelExporter
  # The triangles of one container's faces that share a surface, gathered into the flat arrays
  # of one add_faces2 call: vertices numbered from 1, three values per vertex for positions,
  # normals and texture coordinates (u, v and an unused 0).
  class FaceBatch
    attr_reader :surface, :vertex_count, :triangle_count

    def initialize(surface)
      @surface = surface
      @positions = []
      @normals = []
      @uvs = []
      @triangles = []
      @vertex_count = 0
      @triangle_count = 0
    end

    # mesh: the face's polygon mesh with normals and front UVQ; uv_helper gives the coordinates
    # instead for a distorted texture, whose image the texture writer unwarped for this face;
    # normals, one for each point, replace the mesh's own.
    def add(mesh, surface, uv_helper = nil, normals = nil)
      points = mesh.count_points
      (1..points).each do |i|
        point = mesh.point_at(i)
        normal = normals ? normals[i - 1] : mesh.normal_at(i)
        @positions.push(point.x, point.y, point.z)
        @normals.push(normal.x, normal.y, normal.z)
        push_uv(uv_helper ? uv_helper.get_front_UVQ(point) : mesh.uv_at(i, true), surface)
      end
      # Polygon indices count from 1 and are negative where the edge is hidden; polygons of
      # more than three corners are cut into a fan.
      (1..mesh.count_polygons).each do |k|
        corners = mesh.polygon_at(k).map { |index| index.abs + @vertex_count }
        (1...corners.size - 1).each do |j|
          @triangles.push(corners[0], corners[j], corners[j + 1])
          @triangle_count += 1
        end
      end
      @vertex_count += points
    end

    def send_to(exporter)
      s = @surface
      exporter.add_faces2(@vertex_count, @triangle_count, @positions, @triangles, @normals, @uvs,
                          s.name, s.texture, s.r, s.g, s.b, s.opacity)
    end

    private

    def push_uv(uvq, surface)
      q = uvq.z.to_f
      q = 1.0 if q.zero?
      @uvs.push(uvq.x / q * surface.u_scale, uvq.y / q * surface.v_scale, 0.0)
    end
  end
end
