# frozen_string_literal: true

require_relative 'material'
require_relative 'signals'

module VistrelExport
  # Hands a Model to an exporter in the order the modeller's scripts use: open_file with the
  # camera; per group begin_group, one add_faces2 per material, the nested groups, end_group;
  # then close_file.
  #
  # The exporter is the extension's SketchupExporter (through Extension::Exporter) or any object
  # with the same methods.
  class Driver
    Summary = Struct.new(:groups, :meshes, :triangles, :path, :seconds)

    # The Summary of an export whose scene is complete and closed; nil before.
    attr_reader :finished

    # progress, when given, receives (triangles handed over, total triangles) after each mesh.
    def initialize(exporter, progress: nil, clock: -> { Process.clock_gettime(Process::CLOCK_MONOTONIC) })
      @exporter = exporter
      @progress = progress
      @clock = clock
    end

    # path nil writes a new temporary file. Returns a Summary; the output path is the
    # exporter's output_path. If anything fails after the output was opened, the incomplete
    # file is closed and removed before the error goes on.
    def export(model, camera, path)
      start = @clock.call
      @total = model.triangle_count
      @summary = Summary.new(0, 0, 0, nil, 0.0)
      opened = false
      Signals.defer do
        @exporter.open_file(model.name, path || '', camera.eye, camera.direction, camera.up_vector,
                            camera.fov, 0.0, !path.nil?)
        opened = true
      end
      model.hand_over do |kind, *args|
        case kind
        when :begin_group then begin_group(args[0])
        when :mesh then export_mesh(*args)
        when :more then export_mesh(*args, part: true)
        when :end_group then @exporter.end_group
        end
      end
      Signals.defer do
        @exporter.close_file
        @summary.path = @exporter.output_path
        @summary.seconds = @clock.call - start
        @finished = @summary
      end
      @summary
    rescue Exception # rubocop:disable Lint/RescueException -- cleanup, then the error goes on
      discard_output if opened && !@finished
      raise
    end

    private

    def begin_group(name)
      @exporter.begin_group(name)
      @summary.groups += 1
    end

    # A further part of the last mesh (part: true) joins it in the exporter's batch.
    def export_mesh(material, vertices, triangles, *arrays, part: false)
      m = material || Material.default
      @exporter.add_faces2(vertices, triangles, *arrays, m.exported_name, m.texture, m.r, m.g, m.b, m.opacity)
      # The exporter keeps its own copy: the model's memory goes now, not at the next collection.
      arrays.each(&:clear)
      @summary.meshes += 1 unless part
      @summary.triangles += triangles
      @progress&.call(@summary.triangles, @total)
    end

    def discard_output
      begin
        @exporter.close_file
      rescue StandardError
        nil # the original error is the one to report
      end
      path = @exporter.output_path
      File.delete(path) if path && path != '-' && File.file?(path)
    rescue StandardError
      nil
    end
  end
end
