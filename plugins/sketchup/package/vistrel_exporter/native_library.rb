# frozen_string_literal: true

module VistrelExporter
  # The package carries one build of the native extension per Ruby platform and version:
  #   lib/<RUBY_PLATFORM>/<major.minor>/vistrel_sketchup_plugin.so
  # (on Windows too the file ends in .so, Ruby's extension suffix). A library built for another
  # Ruby would crash or refuse to load, so only the exact match is taken.
  module NativeLibrary
    NAME = 'vistrel_sketchup_plugin'
    ROOT = File.join(__dir__, 'lib')

    def self.path(root = ROOT, platform = RUBY_PLATFORM, version = RUBY_VERSION)
      File.join(root, platform, version[/\A\d+\.\d+/], "#{NAME}.so")
    end

    # Requires the matching library; LoadError with a message for people when there is none.
    def self.load(root = ROOT, platform = RUBY_PLATFORM, version = RUBY_VERSION)
      library = path(root, platform, version)
      unless File.file?(library)
        built = Dir.glob(File.join(root, '*', '*', "#{NAME}.so")).map do |file|
          File.dirname(file).split('/').last(2).join(' Ruby ')
        end
        raise LoadError, "The Vistrel exporter has no native library for this SketchUp " \
                         "(#{platform}, Ruby #{version}); this package was built for " \
                         "#{built.empty? ? 'no platform' : built.sort.join(', ')}. " \
                         'Install the package made for this SketchUp version.'
      end
      begin
        require library unless defined?(::Vistrel_sketchup_plugin::SketchupExporter)
        companion = File.join(File.dirname(library), 'vistrel_instancing.so') # definitions, when built
        require companion if File.file?(companion) && !defined?(::Vistrel_instancing)
      rescue LoadError => e
        raise LoadError, "The Vistrel exporter cannot load its native library #{library}: #{e.message}"
      end
    end
  end
end
