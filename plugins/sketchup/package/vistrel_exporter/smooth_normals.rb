# frozen_string_literal: true

module VistrelExporter
  # Normals for the faces of one container that are joined by smooth edges, the curved surfaces
  # SketchUp's Soften/Smooth Edges leaves (cylinders, spheres, terrain).
  #
  # At each corner of such a face the normal is the average of the faces reachable from it around
  # that vertex across smooth edges only: a hard edge, a hidden face or the container's border
  # cuts the surface, so a cap keeps its own normal beside a smooth side. Each face counts with
  # its angle at the corner, which keeps the normal independent of how the surface is cut into
  # faces (a side cut in two triangles weighs as much as the whole side). A face turned the other
  # way counts turned back. Corners that join no other face keep their mesh's normal.
  #
  # Mesh points are matched to the face's vertices by position: SketchUp meshes a face from its
  # own vertices, so a point is found exactly, else as the vertex within SketchUp's tolerance.
  class SmoothNormals
    TOLERANCE = 0.001 # inches: points closer than this are one point to SketchUp

    def self.smooth?(face)
      face.edges.any?(&:smooth?)
    end

    def initialize
      @angles = {}.compare_by_identity # face => { vertex => the face's angle there }
      @points = {}.compare_by_identity # face => the vertex of each mesh point, or nil
      @normals = {}.compare_by_identity # face => its unit normal as [x, y, z]
      @by_vertex = {}.compare_by_identity # vertex => { face => averaged normal }
    end

    # Every visible face of the container with a smooth edge is added before normals are asked.
    def add(face, mesh)
      points = (1..mesh.count_points).map { |i| coordinates(mesh.point_at(i)) }
      vertices = vertices_of(face, points)
      angles = {}.compare_by_identity
      corner_angles(mesh, points).each_with_index do |angle, i|
        angles[vertices[i]] = angles.fetch(vertices[i], 0.0) + angle if vertices[i]
      end
      @angles[face] = angles
      @points[face] = vertices
      @normals[face] = coordinates(face.normal)
    end

    # One normal for each of the mesh's points.
    def normals(face, mesh)
      @points[face].each_with_index.map do |vertex, i|
        (vertex && at(vertex)[face]) || mesh.normal_at(i + 1)
      end
    end

    private

    # points: as [x, y, z].
    def vertices_of(face, points)
      vertices = face.vertices
      by_position = {}
      vertices.each { |vertex| by_position[coordinates(vertex.position)] = vertex }
      points.map do |point|
        by_position.fetch(point) do
          at = Geom::Point3d.new(*point)
          nearest = vertices.min_by { |vertex| vertex.position.distance(at) }
          nearest if nearest && nearest.position.distance(at) <= TOLERANCE
        end
      end
    end

    def coordinates(point)
      [point.x.to_f, point.y.to_f, point.z.to_f]
    end

    # The angle of each point's corners in the mesh's polygons: together, the face's angle there.
    def corner_angles(mesh, points)
      angles = Array.new(points.size, 0.0)
      (1..mesh.count_polygons).each do |k|
        corners = mesh.polygon_at(k).map { |index| index.abs - 1 }
        corners.each_with_index do |corner, j|
          before = points[corners[j - 1]]
          after = points[corners[(j + 1) % corners.size]]
          angles[corner] += angle(points[corner], before, after)
        end
      end
      angles
    end

    def angle(at, before, after)
      ux = before[0] - at[0]
      uy = before[1] - at[1]
      uz = before[2] - at[2]
      vx = after[0] - at[0]
      vy = after[1] - at[1]
      vz = after[2] - at[2]
      cross = Math.sqrt((uy * vz - uz * vy)**2 + (uz * vx - ux * vz)**2 + (ux * vy - uy * vx)**2)
      Math.atan2(cross, ux * vx + uy * vy + uz * vz)
    end

    # The faces around the vertex fall into surfaces joined across its smooth edges; each face
    # of a surface of more than one gets the surface's averaged normal.
    def at(vertex)
      @by_vertex[vertex] ||= begin
        root = {}.compare_by_identity
        vertex.faces.each { |face| root[face] = face if @angles[face]&.key?(vertex) }
        vertex.edges.each do |edge|
          next unless edge.smooth?

          first = nil
          edge.faces.each do |face|
            next unless root.key?(face)

            if first
              root[find(root, face)] = find(root, first)
            else
              first = face
            end
          end
        end
        normals = {}.compare_by_identity
        root.keys.group_by { |face| find(root, face) }.each_value do |surface|
          average(surface, vertex, normals) if surface.size > 1
        end
        normals
      end
    end

    def find(root, face)
      face = root[face] = root[root[face]] until root[face].equal?(face)
      face
    end

    # Faces turned against the first one count turned back; each face gets the average on its
    # own side.
    def average(surface, vertex, normals)
      fx, fy, fz = @normals[surface.first]
      x = y = z = 0.0
      surface.each do |face|
        nx, ny, nz = @normals[face]
        weight = @angles[face][vertex]
        weight = -weight if nx * fx + ny * fy + nz * fz < 0.0
        x += weight * nx
        y += weight * ny
        z += weight * nz
      end
      size = Math.sqrt(x * x + y * y + z * z)
      return if size < 1e-12

      outwards = Geom::Vector3d.new(x / size, y / size, z / size)
      inwards = Geom::Vector3d.new(-x / size, -y / size, -z / size)
      surface.each do |face|
        nx, ny, nz = @normals[face]
        normals[face] = x * nx + y * ny + z * nz < 0.0 ? inwards : outwards
      end
    end
  end
end
