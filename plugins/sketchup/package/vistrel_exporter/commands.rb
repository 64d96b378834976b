# frozen_string_literal: true

require 'fileutils'
require 'tmpdir'
require_relative 'native_library'
require_relative 'renderer_program'
require_relative 'scene_export'

module VistrelExporter
  # The commands, in Extensions > Vistrel and on the Vistrel toolbar. Every failure ends in a
  # message box with its text; nothing fails silently. They are installed even when the native
  # library did not load, and then say why when clicked.
  module Commands
    ICONS = File.join(__dir__.dup.force_encoding('UTF-8'), 'icons')

    def self.install
      return if file_loaded?(__FILE__)

      menu = UI.menu('Extensions').add_submenu('Vistrel')
      toolbar = UI::Toolbar.new('Vistrel')
      [
        command('Export to Vistrel…', 'Writes the model and the current view to a Vistrel ' \
                'scene file', 'export') { export_to_file },
        command('Render in Vistrel', 'Exports the model to a temporary scene and opens it in ' \
                'the Vistrel renderer', 'render') { render },
        command('Vistrel test scene', 'Writes the one-square test scene and opens it in the ' \
                'Vistrel renderer', 'test') { test_scene }
      ].each do |item|
        menu.add_item(item)
        toolbar.add_item(item)
      end
      location = UI::Command.new('Vistrel Renderer Location…') { choose_renderer }
      location.status_bar_text = "Chooses the Vistrel renderer's program for Render and the test scene"
      menu.add_item(location)
      toolbar.restore
      file_loaded(__FILE__)
    end

    # A command that needs the native library: without it, the click explains why.
    def self.command(text, tip, icon, &block)
      item = UI::Command.new(text) do
        problem = NativeLibrary.problem
        problem ? UI.messagebox(problem) : block.call
      end
      item.tooltip = text
      item.status_bar_text = tip
      item.small_icon = item.large_icon = icon_file(icon)
      item
    end

    # SVG for Windows, PDF for macOS.
    def self.icon_file(icon)
      format = Sketchup.platform == :platform_osx ? 'pdf' : 'svg'
      File.join(ICONS, "#{icon}.#{format}")
    end

    def self.choose_renderer
      program = RendererProgram.choose
      Sketchup.status_text = "Vistrel renderer: #{program}" if program
    end

    def self.export_to_file
      model = Sketchup.active_model
      folder = model.path.to_s.empty? ? nil : File.dirname(model.path)
      path = UI.savepanel('Export to Vistrel', folder, "#{file_name(model)}.vsf")
      return unless path

      path += '.vsf' unless path.downcase.end_with?('.vsf')
      reporting do
        summary = SceneExport.new(model).write(path).to_s
        Sketchup.status_text = summary
        UI.messagebox(summary)
      end
    end

    # The scene goes into a new folder of its own, with its textures, where the renderer can
    # read it after this command has returned. The folders of earlier renders go then.
    def self.render
      reporting do
        model = Sketchup.active_model
        folder = new_render_folder
        export = SceneExport.new(model)
        begin
          summary = export.write(File.join(folder, "#{file_name(model)}.vsf"), staged: false)
        rescue Exception # the folder goes in any case
          FileUtils.remove_entry(folder)
          raise
        end
        Sketchup.status_text = summary.to_s
        RendererProgram.launch(export, File.join(folder, "#{file_name(model)}.vsf"))
      end
    end

    # A new folder under <temporary folder>/vistrel_render, whose earlier folders are removed:
    # their renderers have read their scenes by now. One still open (Windows does not remove an
    # open file) is left for the next render.
    def self.new_render_folder
      parent = File.join(temporary_root, 'vistrel_render')
      FileUtils.mkdir_p(parent)
      Dir.children(parent).each do |name|
        FileUtils.remove_entry(File.join(parent, name))
      rescue SystemCallError
        nil
      end
      Dir.mktmpdir('scene', parent)
    end

    # The model's title as a file name.
    def self.file_name(model)
      title = model.title.to_s
      title.empty? ? 'Untitled' : title.gsub(%r{[<>:"/\\|?*]}, '_')
    end

    # The extension's test writes a fixed scene in the temporary folder but leaves run_vistrel
    # on the last export's file. So an empty export to that very path comes first, making it
    # the file run_vistrel opens; the test then writes over it. The empty export writes into a
    # file of our own, never through a link planted at that path.
    def self.test_scene
      reporting do
        exporter = Vistrel_sketchup_plugin::SketchupExporter.new
        path = File.join(extension_temporary_folder, 'vistrel_test.vsf')
        Staging.own_file(path, 'test scene')
        exporter.open_file('Vistrel test scene', path, [0, -1, 0], [0, 1, 0], [0, 0, 1],
                           35.0, 0.0, true)
        exporter.close_file
        exporter.test
        unless File.binread(path).include?('"Square"')
          raise IOError, "the test scene was not written to #{path}"
        end

        RendererProgram.launch(exporter, path)
      end
    end

    def self.reporting
      yield
    rescue IOError, RuntimeError, ArgumentError, SystemCallError => e
      UI.messagebox("Vistrel: #{e.message}")
    rescue StandardError => e
      UI.messagebox("Vistrel: #{e.class}: #{e.message}")
    end

    def self.temporary_root
      Sketchup.respond_to?(:temp_dir) ? Sketchup.temp_dir : Dir.tmpdir
    end

    # Where the extension puts its test scene: the user's temporary folder as the system
    # reports it (TMP, TEMP or the profile on Windows; TMPDIR or /tmp elsewhere).
    def self.extension_temporary_folder
      names = Gem.win_platform? ? %w[TMP TEMP USERPROFILE] : %w[TMPDIR]
      folder = names.map { |name| ENV.fetch(name, nil) }.find { |value| value && !value.empty? }
      folder || (Gem.win_platform? ? Dir.tmpdir : '/tmp')
    end
  end
end
