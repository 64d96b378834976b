# frozen_string_literal: true

require 'optparse'
require_relative 'error'
require_relative 'camera'
require_relative 'driver'
require_relative 'obj_reader'
require_relative 'preview'
require_relative 'progress'

module VistrelExport
  # The vistrel-export command: options, reading, export, progress, summary and error report.
  class CLI
    PROGRAM = 'vistrel-export'
    SAMPLE = File.expand_path('../../examples/sample/room.obj', __dir__)

    # extension_loader loads the extension and exporter_factory makes an exporter; tests give
    # their own.
    def initialize(out: $stdout, err: $stderr, extension_loader: nil, exporter_factory: nil)
      @out = out
      @err = err
      @extension_loader = extension_loader || lambda {
        require_relative 'extension'
        Extension.load
      }
      @exporter_factory = exporter_factory || -> { Extension::Exporter.new }
    end

    # Runs the command and returns its exit status.
    def run(argv)
      options = parse(argv)
      return 0 if options[:help]

      export(options)
      0
    rescue UsageError, OptionParser::ParseError => e
      @err.puts("#{PROGRAM}: #{e.message}\nTry '#{PROGRAM} --help' for more.")
      2
    rescue Error => e
      @progress&.finish
      @err.puts("#{PROGRAM}: #{e.message}")
      e.status
    rescue Interrupt
      @progress&.finish
      @err.puts("#{PROGRAM}: interrupted; #{interrupted_scene}")
      130
    rescue Errno::EPIPE
      1
    rescue StandardError, NoMemoryError, SystemStackError => e
      # The first line only: later lines of a message are hints for the programmer.
      @err.puts("#{PROGRAM}: internal error: #{e.class}: #{e.message.lines.first&.chomp}")
      @err.puts(e.backtrace) if ENV['VISTREL_DEBUG']
      70
    end

    private

    def parse(argv)
      options = { quiet: false, launch: false }
      parser = option_parser(options)
      arguments = parser.parse(argv)
      if options[:help]
        @out.puts(parser.help)
        return options
      end
      if arguments.size > 1
        raise UsageError, "one model at a time, got #{arguments.size}: #{arguments.join(' ')}"
      end
      if options[:launch] && options[:output] == '-'
        raise UsageError, '--launch needs a scene file, not standard output'
      end
      if options[:preview] && options[:output] == '-'
        raise UsageError, '--preview needs a scene file, not standard output'
      end
      if options[:preview] && options[:output] && same_file?(options[:preview], options[:output])
        raise UsageError, "--preview #{VistrelExport.printable(options[:preview])} would replace the scene file " \
                          "(-o #{VistrelExport.printable(options[:output])})"
      end

      options[:model] = arguments.first || SAMPLE

      options
    end

    def option_parser(options)
      OptionParser.new do |o|
        o.banner = "Usage: #{PROGRAM} [MODEL.obj] [-o OUT.vsf] [options]"
        o.separator <<~TEXT.chomp

          Exports a Wavefront OBJ model, with its MTL materials and textures, to a Vistrel scene
          file through the vistrel_sketchup_plugin extension. Without MODEL.obj it exports the
          sample model #{SAMPLE.sub("#{Dir.pwd}/", '')}.

          Each OBJ object (o) and group (g) becomes a group of the scene, with one mesh per
          material; a group in an object is nested in it.

          Options:
        TEXT
        o.on('-o', '--output PATH', 'Scene file to write; "-" writes to standard output.',
             'Default: a new file in the temporary folder ($TMPDIR, else /tmp).') { |v| options[:output] = v }
        o.on('--eye X,Y,Z', Array, 'Camera position. Default: in front of the model, to the right',
             "and above (#{Camera::AZIMUTH.to_i} degrees right of the front, #{Camera::ELEVATION.to_i} degrees up),",
             'far enough back to see all of it. The front is +Z, or -Y',
             'when --up is +Z.') { |v| options[:eye] = vector(v, '--eye') }
        o.on('--target X,Y,Z', Array, 'Point looked at. Default: the centre of the bounding box.') do |v|
          options[:target] = vector(v, '--target')
        end
        o.on('--up X,Y,Z', Array, 'Up direction of the model. Default: 0,1,0 (+Y, as OBJ has it).') do |v|
          options[:up] = vector(v, '--up')
        end
        o.on('--fov DEGREES', Float, "Field of view in degrees. Default: #{Camera::DEFAULT_FOV.to_i}.") do |v|
          options[:fov] = v
        end
        o.on('--launch', 'Start the renderer on the scene file afterwards.') { options[:launch] = true }
        o.on('--preview PNG', 'Also write an 800x600 picture of the scene as its camera sees it.') do |v|
          options[:preview] = v
        end
        o.on('-q', '--quiet', 'Print nothing but errors.') { options[:quiet] = true }
        o.on('-h', '--help', 'Show this help.') { options[:help] = true }
        o.separator <<~TEXT

          Progress goes to standard error for models of over #{Progress::THRESHOLD / 1000}k triangles; a summary
          line goes to standard output at the end. Exit status: 0 done, 1 failed, 2 wrong
          usage, 130 interrupted.

          The extension is loaded from $VISTREL_EXTENSION_DIR when set, else from the
          checkout's $BUILD_DIR/lib, build/lib or another build*/lib. --launch finds the
          renderer through Tavren/Vistrel.conf in $XDG_CONFIG_HOME or $XDG_CONFIG_DIRS.
        TEXT
      end
    end

    # Two names of one file: links too, and two spellings of a path that does not exist yet.
    def same_file?(first, second)
      return File.identical?(first, second) if File.exist?(first) && File.exist?(second)

      File.expand_path(first) == File.expand_path(second) ||
        File.realdirpath(first) == File.realdirpath(second)
    rescue SystemCallError
      false
    end

    def vector(values, option)
      numbers = values.map { |v| Float(v, exception: false) }
      return numbers if numbers.size == 3 && numbers.all? { |n| n&.finite? }

      raise UsageError, "#{option} takes three numbers separated by commas, got '#{values.join(',')}'"
    end

    def export(options)
      start = Process.clock_gettime(Process::CLOCK_MONOTONIC)
      @quiet = options[:quiet]
      outputs = options.values_at(:output, :preview).compact
      outputs.each do |output|
        check_output(output)
        check_not_input(output, [options[:model]])
      end
      @extension_loader.call
      @progress = Progress.new(@err) unless options[:quiet]
      model = read_model(options)
      camera = Camera.new(model.bounds, eye: options[:eye], target: options[:target], up: options[:up],
                                        fov: options[:fov])
      outputs.each { |output| check_not_input(output, model.inputs) }
      warn_names_alike(model.materials.map(&:name))
      exporter = @exporter_factory.call
      @driver = Driver.new(exporter, progress: export_progress(model))
      summary = @driver.export(model, camera, options[:output])
      @progress&.finish
      summary.seconds = Process.clock_gettime(Process::CLOCK_MONOTONIC) - start
      report(model, summary, options)
      Preview.write(summary.path, options[:preview], warn: method(:warning)) if options[:preview]
      launch(exporter, summary, options) if options[:launch]
    end

    def read_model(options)
      path = options[:model]
      size = File.size?(path) || 0
      reading = ->(bytes) { @progress.reading(bytes, size) } if @progress && size >= Progress::READ_THRESHOLD
      model = ObjReader.new(warn: method(:warning), progress: reading).read(path)
      reading&.call(size)
      if model.triangle_count.zero?
        warning("#{VistrelExport.printable(path)}: no faces; the scene holds the camera only")
      end
      model
    end

    def export_progress(model)
      total = model.triangle_count
      return nil unless @progress && total >= Progress::THRESHOLD

      ->(done, all) { @progress.exporting(done, all) }
    end

    # Fails early, before a large model is read, when the output cannot be written.
    def check_output(path)
      return if path == '-'

      shown = VistrelExport.printable(path)
      raise Error, "cannot write #{shown}: it is a folder" if File.directory?(path)

      dir = File.dirname(File.expand_path(path))
      raise Error, "cannot write #{shown}: no folder #{VistrelExport.printable(dir)}" unless File.directory?(dir)
      writable = File.exist?(path) ? File.writable?(path) : File.writable?(dir)
      raise Error, "cannot write #{shown}: permission denied" unless writable
    end

    # Refuses to overwrite the model, a material file or a texture the export reads; the same
    # file under another name (a link) counts too.
    def check_not_input(output, inputs)
      return if output == '-'

      input = inputs.find { |path| File.identical?(path, output) }
      return unless input

      raise Error, "cannot write #{VistrelExport.printable(output)}: it is an input of the export " \
                   "(#{VistrelExport.printable(input)})"
    end

    # The scene file keeps SCENE_NAME_BYTES bytes of a material name: materials that differ only
    # after them come out under one name.
    def warn_names_alike(names)
      names.uniq.group_by { |name| name.byteslice(0, Material::SCENE_NAME_BYTES) }.each do |start, alike|
        next if alike.size < 2

        warning("#{alike.size} material names begin with the same #{Material::SCENE_NAME_BYTES} bytes " \
                "('#{VistrelExport.printable(start)}'); the scene gives them one name")
      end
    end

    # What an interrupt leaves: nothing, or a scene that was complete before it came.
    def interrupted_scene
      path = @driver&.finished&.path
      return 'no scene file written' unless path && path != '-' && File.file?(path)

      "the complete scene is in #{VistrelExport.printable(path)}"
    end

    def report(model, summary, options)
      return if options[:quiet]

      path = summary.path || 'a temporary file'
      size = path != '-' && File.file?(path) ? " (#{human_size(File.size(path))})" : ''
      text = format('%s: %d groups, %d meshes, %d triangles -> %s%s in %.2f s',
                    VistrelExport.printable(model.name), summary.groups, summary.meshes, summary.triangles,
                    VistrelExport.printable(path), size, summary.seconds)
      # With the scene on standard output, the summary must not end up in the scene.
      (options[:output] == '-' ? @err : @out).puts(text)
    end

    def launch(exporter, summary, options)
      exporter.run_vistrel
      @out.puts("renderer started on #{VistrelExport.printable(summary.path)}") unless options[:quiet]
    end

    def human_size(bytes)
      return "#{bytes} bytes" if bytes < 1024
      return format('%.1f KB', bytes / 1024.0) if bytes < 1024 * 1024

      format('%.1f MB', bytes / (1024.0 * 1024))
    end

    def warning(text)
      return if @quiet

      @progress&.finish
      @err.puts("#{PROGRAM}: warning: #{text}")
    end
  end
end
