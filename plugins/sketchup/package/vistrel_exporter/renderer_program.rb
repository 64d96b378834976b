# frozen_string_literal: true

module VistrelExporter
  # The renderer's program as the user chose it with "Vistrel Renderer Location…", kept in the
  # modeller's settings, so that no administrator is needed to set the registry key (Windows) or
  # the configuration file (elsewhere) that the extension reads otherwise.
  module RendererProgram
    SECTION = 'VistrelExporter'
    KEY = 'RendererProgram'
    COMMAND = 'Extensions > Vistrel > Vistrel Renderer Location…'

    # The chosen program, or nil.
    def self.path
      value = Sketchup.read_default(SECTION, KEY, '').to_s
      value.empty? ? nil : value.dup.force_encoding('UTF-8')
    end

    # Asks for the program and keeps it; nil when the user cancels.
    def self.choose
      current = path
      chosen = UI.openpanel('Vistrel renderer program', current && File.dirname(current),
                            current ? File.basename(current) : nil)
      return unless chosen

      Sketchup.write_default(SECTION, KEY, chosen)
      chosen
    end

    # Starts the renderer on the scene, as the extension's run_vistrel does (-import2 and the
    # scene's full path), without waiting: the chosen program in its own folder, else the
    # extension's own lookup.
    def self.launch(exporter, scene)
      program = path
      return run_found(exporter) unless program

      scene = File.expand_path(scene)
      scene = scene.tr('/', '\\') if windows?
      Process.detach(Process.spawn(program, '-import2', scene, chdir: File.dirname(program)))
    rescue SystemCallError => e
      raise RuntimeError, "cannot start renderer #{program}: #{e.message}"
    end

    def self.run_found(exporter)
      exporter.run_vistrel
    rescue RuntimeError => e
      raise unless e.message.start_with?('renderer not configured')

      raise RuntimeError, "#{e.message}. Choose the renderer's program with #{COMMAND}"
    end

    def self.windows?
      RUBY_PLATFORM.match?(/mswin|mingw/)
    end
  end
end
