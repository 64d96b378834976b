# frozen_string_literal: true

require_relative 'view_camera'
require_relative 'surfaces'
require_relative 'model_walker'
require_relative 'progress'
require_relative 'staging'

module VistrelExporter
  # groups, meshes and triangles as the scene file holds them; placed_triangles as it shows them.
  Summary = Struct.new(:groups, :meshes, :triangles, :path, :seconds, :warnings, :definitions,
                       :placements, :placed_triangles) do
    def to_s
      text = [format('Exported %d groups, %d meshes, %d triangles to %s in %.1f s.',
                     groups, meshes, triangles, path, seconds)]
      if definitions.to_i.positive?
        text << format('%<n>d component%<s>s written once for %<p>d placements; %<t>d triangles as placed.',
                       n: definitions, s: definitions == 1 ? '' : 's', p: placements, t: placed_triangles)
      end
      (text + warnings.to_a.map { |warning| "Warning: #{warning}." }).join("\n")
    end
  end

  # One export of a model to a scene file, through the native extension. A failed export leaves
  # nothing behind and an earlier export of the same name whole: the scene is written to a file
  # of its own beside the target, created exclusively, and the textures to a folder of their
  # own; both are moved into place only when complete.
  class SceneExport
    # instancing: the companion extension's module, which writes definitions; nil writes every
    # placement in full.
    def initialize(model, exporter = Vistrel_sketchup_plugin::SketchupExporter.new,
                   instancing: defined?(::Vistrel_instancing) ? ::Vistrel_instancing : nil)
      @model = model
      @exporter = exporter
      @instancing = instancing
    end

    # staged: false writes straight to path (a fresh file in a folder of our own), so that the
    # extension's run_vistrel opens that very file afterwards.
    def write(path, staged: true)
      # Inside an open group SketchUp gives positions in model space, so placements would be off.
      if @model.active_path
        raise ArgumentError, 'close the group or component being edited, then export again'
      end

      started = Process.clock_gettime(Process::CLOCK_MONOTONIC)
      textures = TextureFiles.new(path)
      target = staged ? Staging.file(path, 'scene file') : path
      walker = export(target, textures)
      textures.commit { put_in_place(target, path) if staged }
      Summary.new(walker.groups, walker.meshes, walker.triangles, path,
                  Process.clock_gettime(Process::CLOCK_MONOTONIC) - started, textures.warnings,
                  walker.definitions, walker.placements, walker.placed_triangles)
    rescue Exception # also on Interrupt: nothing half-written stays
      abandon(target, textures)
      raise
    end

    def run_vistrel
      @exporter.run_vistrel
    end

    private

    def export(target, textures)
      camera = ViewCamera.new(@model.active_view)
      walker = ModelWalker.new(@exporter, Surfaces.new(textures), @instancing)
      plan = walker.plan(@model.entities)
      @exporter.open_file(model_name, target, camera.eye, camera.direction, camera.up,
                          camera.fov, camera.aspect_ratio, true)
      walker.walk(plan, Progress.new(plan.faces_to_mesh))
      @exporter.close_file
      walker
    end

    def put_in_place(staged, path)
      File.rename(staged, path)
    rescue SystemCallError => e
      raise IOError, Staging.refused('scene file', path, e)
    end

    def model_name
      title = @model.title.to_s
      title.empty? ? 'Untitled' : title
    end

    def abandon(target, textures)
      begin
        @exporter.close_file
      rescue StandardError
        nil # the first failure is the one to report; the file goes either way
      end
      File.delete(target) if target && File.file?(target)
      textures&.remove
    end
  end
end
