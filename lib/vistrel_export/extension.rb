# frozen_string_literal: true

require 'rbconfig'
require_relative 'error'

module VistrelExport
  # Finding and loading the built extension, and the one place where its methods are called.
  module Extension
    LIBRARY = 'vistrel_sketchup_plugin'
    ROOT = File.expand_path('../..', __dir__)

    # Folders that may hold the library, best first: $VISTREL_EXTENSION_DIR, the build folder
    # named by $BUILD_DIR, build/lib, then any other build*/lib of the checkout, newest first.
    def self.candidate_dirs(env = ENV, library = LIBRARY)
      dirs = []
      dirs << File.expand_path(env['VISTREL_EXTENSION_DIR']) if env['VISTREL_EXTENSION_DIR']
      dirs << File.expand_path(File.join(env['BUILD_DIR'], 'lib'), ROOT) if env['BUILD_DIR']
      dirs << File.join(ROOT, 'build', 'lib')
      others = Dir.glob(File.join(ROOT, 'build*', 'lib')).select { |d| File.file?(library_in(d, library)) }
      dirs.concat(others.sort_by { |d| -File.mtime(library_in(d, library)).to_f })
      dirs.uniq
    end

    def self.library_in(dir, library = LIBRARY)
      File.join(dir, "#{library}.#{RbConfig::CONFIG['DLEXT']}")
    end

    # Requires the extension from the first folder that has it, or from the load path.
    def self.load(env = ENV)
      require_library(LIBRARY, env) unless defined?(::Vistrel_sketchup_plugin::SketchupExporter)
    end

    # Requires a library built with the extension (the extension itself, or the OBJ reader).
    def self.require_library(library, env = ENV)
      dir = candidate_dirs(env, library).find { |d| File.file?(library_in(d, library)) }
      $LOAD_PATH.unshift(dir) if dir && !$LOAD_PATH.include?(dir)
      require library
    rescue LoadError => e
      where = dir ? "#{library_in(dir, library)} does not load (#{e.message})" : "#{library} is not built"
      raise Error, "#{where}; build it with scripts/setup.sh, or set VISTREL_EXTENSION_DIR " \
                   'to the folder that holds it'
    end

    # The extension's SketchupExporter, with its failures turned into Error and the path of a
    # temporary output found out (the extension keeps it to itself).
    class Exporter
      attr_reader :output_path

      def initialize(native = ::Vistrel_sketchup_plugin::SketchupExporter.new)
        @native = native
      end

      def open_file(model, path, eye, dir, up, fov, ignored, use_path)
        earlier = use_path ? nil : temporary_scene_files
        checked { @native.open_file(model, path, eye, dir, up, fov, ignored, use_path) }
        @output_path = use_path ? path : new_temporary_file(earlier)
      end

      def begin_group(name)
        checked("group '#{VistrelExport.printable(name)}': ") { @native.begin_group(name) }
      end

      def add_faces2(*arguments)
        checked("material '#{VistrelExport.printable(arguments[6])}': ") { @native.add_faces2(*arguments) }
      end

      def end_group
        checked { @native.end_group }
      end

      def close_file
        checked { @native.close_file }
      end

      def run_vistrel
        checked('cannot start the renderer: ') { @native.run_vistrel }
      end

      private

      # Argument errors come from model texts or values the extension refuses (a NUL byte, a
      # number out of range); their first line is the message.
      def checked(prefix = '')
        yield
      rescue IOError, RuntimeError, ArgumentError, RangeError => e
        raise Error, prefix + VistrelExport.printable(e.message.lines.first.to_s.chomp)
      end

      # The scene file is open right after open_file, so the process's own descriptors name it;
      # without /proc, it is the one new scene file in the temporary folder.
      def new_temporary_file(earlier)
        open_scene = Dir.glob('/proc/self/fd/*').filter_map do |fd|
          File.readlink(fd)
        rescue SystemCallError
          nil
        end
        open_scene = open_scene.select { |p| p.end_with?('.vsf') }
        return open_scene.first if open_scene.size == 1

        added = temporary_scene_files - earlier
        added.size == 1 ? added.first : nil
      end

      def temporary_scene_files
        Dir.glob(File.join(ENV.fetch('TMPDIR', '/tmp'), '*.vsf'))
      end
    end
  end
end
