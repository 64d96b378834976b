# frozen_string_literal: true

require_relative 'face_batch'
require_relative 'smooth_normals'
require_relative 'placements'

module VistrelExporter
  # Hands the visible part of a model to the extension: one group per group or component
  # instance, with its transform, and each container's faces batched per surface. Components
  # that Placements makes definitions are written first, each once, and placed where they
  # stand; without the companion extension vistrel_instancing every placement is written inline.
  #
  # The extension writes pending batches at the next end_group, into the group open then. So a
  # container's children are walked first and its own faces are handed over afterwards, while
  # its group is the innermost open one; a definition's faces are written when it ends, the
  # top level's by close_file.
  class ModelWalker
    FRONT_UVQ = 1
    NORMALS = 4

    attr_reader :groups, :meshes, :triangles, :definitions, :placements, :placed_triangles

    # instancing: the module of vistrel_instancing, or nil.
    def initialize(exporter, surfaces, instancing)
      @exporter = exporter
      @surfaces = surfaces
      @instancing = instancing
      @groups = @meshes = @triangles = @definitions = @placements = @placed_triangles = 0
      @in_definition = {}.compare_by_identity # definition body => the triangles it shows
    end

    # The model's Placements, with definitions when the extension can write them.
    def plan(entities)
      Placements.new(entities, definitions: !@instancing.nil?)
    end

    # Definitions first, then the model. Triangles counts what the scene holds, placed
    # triangles what it shows.
    def walk(plan, progress)
      @progress = progress
      plan.definitions.each do |body|
        @instancing.begin_definition(@exporter, body.name)
        before = @placed_triangles
        walk_body(body) { @instancing.end_definition(@exporter) }
        @in_definition[body] = @placed_triangles - before
        @placed_triangles = before
        @definitions += 1
      end
      walk_body(plan.root) { nil }
    end

    def self.visible_containers(entities)
      entities.select { |entity| container?(entity) && visible?(entity) }
    end

    # Hidden elements and those on a hidden tag (or in a hidden tag folder) are not shown.
    def self.visible?(entity)
      return false if entity.hidden?

      layer = entity.layer
      return true unless layer
      return false unless layer.visible?

      folder = layer.respond_to?(:folder) ? layer.folder : nil
      while folder
        return false unless folder.visible?

        folder = folder.folder
      end
      true
    end

    def self.container?(entity)
      entity.is_a?(Sketchup::Group) || entity.is_a?(Sketchup::ComponentInstance)
    end

    def self.children(entity)
      entity.is_a?(Sketchup::Group) ? entity.entities : entity.definition.entities
    end

    # The modeller's transformation lists its 16 values column by column; the extension takes
    # them row by row.
    def self.row_major(column_major)
      Array.new(16) { |k| column_major[(k % 4) * 4 + k / 4].to_f }
    end

    # The instance's own name, else its component's; a group's definition carries only a
    # generated name, so an unnamed group is left to the extension's numbering.
    def self.group_name(entity)
      return entity.name unless entity.name.empty?

      entity.is_a?(Sketchup::ComponentInstance) ? entity.definition.name : ''
    end

    private

    # A body being walked, in the container that holds it (nil at the top of the scene or of a
    # definition), and the next of its children to walk.
    Level = Struct.new(:container, :body, :next_child)

    # Walks with a stack of its own rather than recursion, so that however deep groups nest,
    # Ruby's stack does not overflow. The block ends the body at the top.
    def walk_body(top)
      stack = [Level.new(nil, top, 0)]
      until stack.empty?
        level = stack.last
        entity, child = level.body.children[level.next_child]
        level.next_child += 1
        if child&.definition?
          place(entity, child)
        elsif child
          stack.push(enter(entity, child))
        else
          stack.pop
          send_faces(level.body.entities, level.body.painted)
          level.container ? @exporter.end_group : yield
        end
      end
    end

    def enter(entity, body)
      @exporter.begin_group(ModelWalker.group_name(entity))
      @exporter.transform(ModelWalker.row_major(entity.transformation.to_a))
      @groups += 1
      Level.new(entity, body, 0)
    end

    def place(entity, body)
      @instancing.place_definition(@exporter, body.name, ModelWalker.group_name(entity),
                                   ModelWalker.row_major(entity.transformation.to_a))
      @groups += 1
      @placements += 1
      @placed_triangles += @in_definition[body]
    end

    # The container's own faces, handed over while its group is the innermost open one. Faces
    # with smooth edges are meshed first, since their normals depend on their neighbours; the
    # others are meshed as they are batched. Each face is meshed once.
    def send_faces(entities, painted)
      faces = entities.select { |entity| entity.is_a?(Sketchup::Face) && ModelWalker.visible?(entity) }
      smooth = SmoothNormals.new
      meshes = {}.compare_by_identity
      faces.each do |face|
        next unless SmoothNormals.smooth?(face)

        smooth.add(face, meshes[face] = mesh(face))
      end
      batches = {}
      faces.each do |face|
        mesh = meshes[face]
        normals = smooth.normals(face, mesh) if mesh
        add_face(batches, face, mesh || mesh(face), normals, painted)
      end
      batches.each_value do |batch|
        batch.send_to(@exporter)
        @meshes += 1
        @triangles += batch.triangle_count
        @placed_triangles += batch.triangle_count
      end
    end

    def mesh(face)
      @progress.step
      face.mesh(FRONT_UVQ | NORMALS)
    end

    def add_face(batches, face, mesh, normals, painted)
      surface = @surfaces.for_face(face, mesh, painted)
      uv_helper = face.get_UVHelper(true, false, @surfaces.writer) if surface.distorted
      (batches[surface.name] ||= FaceBatch.new(surface)).add(mesh, surface, uv_helper, normals)
    end
  end
end
