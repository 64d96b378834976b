# frozen_string_literal: true

require_relative 'face_batch'

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

    def walk(entities, painted = nil)
      entities.each do |entity|
        walk_container(entity, painted) if ModelWalker.container?(entity) && ModelWalker.visible?(entity)
      end
      batches = {}
      entities.each do |entity|
        next unless entity.is_a?(Sketchup::Face) && ModelWalker.visible?(entity)

        add_face(batches, entity, painted)
        @progress.step
      end
      batches.each_value do |batch|
        batch.send_to(@exporter)
        @meshes += 1
        @triangles += batch.triangle_count
      end
    end

    # Faces of all visible containers, each definition counted as often as it is placed.
    def self.count_faces(entities, seen = {})
      seen[entities] ||= entities.sum do |entity|
        next 0 unless visible?(entity)
        next 1 if entity.is_a?(Sketchup::Face)

        container?(entity) ? count_faces(children(entity), seen) : 0
      end
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

    def walk_container(entity, painted)
      @exporter.begin_group(ModelWalker.group_name(entity))
      @exporter.transform(ModelWalker.row_major(entity.transformation.to_a))
      @groups += 1
      walk(ModelWalker.children(entity), entity.material ? entity : painted)
      @exporter.end_group
    end

    def add_face(batches, face, painted)
      mesh = face.mesh(FRONT_UVQ | NORMALS)
      surface = @surfaces.for_face(face, mesh, painted)
      uv_helper = face.get_UVHelper(true, false, @surfaces.writer) if surface.distorted
      (batches[surface.name] ||= FaceBatch.new(surface)).add(mesh, surface, uv_helper)
    end
  end
end
