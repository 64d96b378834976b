# frozen_string_literal: true

require_relative 'face_batch'
require_relative 'smooth_normals'

module VistrelExporter
  # Hands the visible part of a model to the extension: one group per group or component
  # instance, with its transform, and each container's faces batched per surface.
  #
  # The extension writes pending batches at the next end_group, into the group open then. So a
  # container's children are walked first and its own faces are handed over afterwards, while
  # its group is the innermost open one; the top level's faces are written by close_file.
  class ModelWalker
    FRONT_UVQ = 1
    NORMALS = 4

    attr_reader :groups, :meshes, :triangles

    def initialize(exporter, surfaces, progress)
      @exporter = exporter
      @surfaces = surfaces
      @progress = progress
      @groups = 0
      @meshes = 0
      @triangles = 0
    end

    # Walks with a stack of its own rather than recursion, so that however deep groups nest,
    # Ruby's stack does not overflow.
    def walk(entities, painted = nil)
      stack = [Level.new(nil, entities, painted)]
      until stack.empty?
        level = stack.last
        child = level.containers.shift
        if child
          stack.push(enter(child, level.painted))
        else
          stack.pop
          send_faces(level.entities, level.painted)
          @exporter.end_group if level.container
        end
      end
    end

    # Faces of all visible containers, each definition counted as often as it is placed.
    def self.count_faces(entities)
      counts = {}.compare_by_identity
      stack = [entities]
      until stack.empty?
        current = stack.last
        inner = visible_containers(current).map { |entity| children(entity) }
        inner = inner.reject { |list| counts.key?(list) }.uniq(&:object_id)
        next stack.concat(inner) unless inner.empty?

        stack.pop
        counts[current] ||= current.sum do |entity|
          next 0 unless visible?(entity)
          next 1 if entity.is_a?(Sketchup::Face)

          container?(entity) ? counts[children(entity)] : 0
        end
      end
      counts[entities]
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

    # A container being walked: its visible children still to walk, and what paints its faces.
    Level = Struct.new(:container, :entities, :painted) do
      def containers
        @containers ||= ModelWalker.visible_containers(entities)
      end
    end

    def enter(entity, painted)
      @exporter.begin_group(ModelWalker.group_name(entity))
      @exporter.transform(ModelWalker.row_major(entity.transformation.to_a))
      @groups += 1
      Level.new(entity, ModelWalker.children(entity), entity.material ? entity : painted)
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
