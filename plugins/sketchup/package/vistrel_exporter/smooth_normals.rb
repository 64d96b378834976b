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
      points = (1..mesh.count_points).map { |i| mesh.point_at(i) }
      vertices = vertices_of(face, points)
      angles = {}.compare_by_identity
      corner_angles(mesh, points).each_with_index do |angle, i|
        angles[vertices[i]] = angles.fetch(vertices[i], 0.0) + angle if vertices[i]
      end
      normal = face.normal
      @angles[face] = angles
      @points[face] = vertices
      @normals[face] = [normal.x.to_f, normal.y.to_f, normal.z.to_f]
    end

    # One normal for each of the mesh's points.
    def normals(face, mesh)
      @points[face].each_with_index.map do |vertex, i|
        averaged = vertex && at(vertex)[face]
        averaged ? Geom::Vector3d.new(*averaged) : mesh.normal_at(i + 1)
      end
    end

    private

    def vertices_of(face, points)
      vertices = face.vertices
      by_position = {}
      vertices.each { |vertex| by_position[key(vertex.position)] = vertex }
      points.map do |point|
        by_position.fetch(key(point)) do
          nearest = vertices.min_by { |vertex| vertex.position.distance(point) }
          nearest if nearest && nearest.position.distance(point) <= TOLERANCE
        end
      end
    end

    def key(point)
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
      u = [before.x - at.x, before.y - at.y, before.z - at.z]
      v = [after.x - at.x, after.y - at.y, after.z - at.z]
      Math.atan2(length(cross(u, v)), dot(u, v))
    end

    # The faces around the vertex fall into surfaces joined across its smooth edges; each face
    # of a surface of more than one gets the surface's averaged normal.
    def at(vertex)
      @by_vertex[vertex] ||= begin
        faces = vertex.faces.select { |face| @angles.key?(face) && @angles[face].key?(vertex) }
        root = {}.compare_by_identity
        faces.each { |face| root[face] = face }
        vertex.edges.each do |edge|
          next unless edge.smooth?

          joined = edge.faces.select { |face| root.key?(face) }
          joined.each_cons(2) { |a, b| root[find(root, a)] = find(root, b) }
        end
        surfaces = faces.group_by { |face| find(root, face) }.values
        surfaces.each_with_object({}.compare_by_identity) do |surface, normals|
          average(surface, vertex, normals) if surface.size > 1
        end
      end
    end

    def find(root, face)
      face = root[face] = root[root[face]] until root[face].equal?(face)
      face
    end

    # Faces turned against the first one count turned back; each face gets the average on its
    # own side.
    def average(surface, vertex, normals)
      first = @normals[surface.first]
      sum = [0.0, 0.0, 0.0]
      surface.each do |face|
        normal = @normals[face]
        weight = @angles[face][vertex] * (dot(normal, first).negative? ? -1.0 : 1.0)
        3.times { |k| sum[k] += weight * normal[k] }
      end
      size = length(sum)
      return if size < 1e-12

      surface.each do |face|
        side = dot(sum, @normals[face]).negative? ? -size : size
        normals[face] = sum.map { |value| value / side }
      end
    end

    def cross(u, v)
      [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]]
    end

    def dot(u, v)
      u[0] * v[0] + u[1] * v[1] + u[2] * v[2]
    end

    def length(u)
      Math.sqrt(dot(u, u))
    end
  end
end
