# frozen_string_literal: true

module VistrelExporter
  # The package carries one build of the native extension per system and Ruby version:
  #   lib/<system>/<major.minor>/vistrel_sketchup_plugin.so (.bundle on macOS)
  # and beside it the companion vistrel_instancing (definitions and placements) where that build
  # made one.
  # <system> is "windows", "macos-<architecture>" or "linux-<architecture>" (the last for tests
  # only), so that the library is chosen by what the modeller's Ruby reports, whatever the exact
  # RUBY_PLATFORM string (x64-mswin64_140, arm64-darwin21, ...). A library built for another Ruby
  # version would crash or refuse to load, so the version must match.
  module NativeLibrary
    NAME = 'vistrel_sketchup_plugin'
    COMPANION = 'vistrel_instancing'
    # The plug-ins folder is under the user's profile, which may hold non-ASCII letters.
    ROOT = File.join(__dir__.dup.force_encoding('UTF-8'), 'lib')
    # The modeller's releases per Ruby version, for the messages.
    RELEASES = { '2.5' => 'SketchUp 2019-2020', '2.7' => 'SketchUp 2021-2023',
                 '3.2' => 'SketchUp 2024 and later' }.freeze
    SYSTEMS = { 'windows' => 'Windows', 'macos' => 'macOS', 'linux' => 'Linux' }.freeze
    EXTENSIONS = %w[.so .bundle].freeze

    class << self
      # Why the library is not loaded (nil once it is); the commands show it when clicked.
      attr_reader :problem
    end

    # The library folder for a Ruby, relative to ROOT; nil for a system no build exists for.
    def self.slot(platform = RUBY_PLATFORM, version = RUBY_VERSION)
      architecture = platform[/\A[^-]+/]
      system = case platform
               when /mswin|mingw/ then 'windows'
               when /darwin/ then "macos-#{architecture}"
               when /linux/ then "linux-#{architecture}"
               end
      system && "#{system}/#{version[/\A\d+\.\d+/]}"
    end

    # The library for a Ruby as a path without its file extension, or nil when there is none.
    def self.library(root = ROOT, platform = RUBY_PLATFORM, version = RUBY_VERSION)
      folder = slot(platform, version)
      path = folder && File.join(root, folder, NAME)
      path if path && EXTENSIONS.any? { |extension| File.file?(path + extension) }
    end

    # Requires the library for this Ruby (without a file extension, so that .so and .bundle are
    # both found). Returns nil when it is loaded, else the problem for people, which the
    # commands show when clicked.
    def self.load(root = ROOT, platform = RUBY_PLATFORM, version = RUBY_VERSION)
      @problem = nil
      loaded = defined?(::Vistrel_sketchup_plugin::SketchupExporter)
      path = library(root, platform, version)
      unless path || loaded
        return @problem = "The Vistrel exporter has no native library for this SketchUp " \
                          "(#{platform}, Ruby #{version}). #{supported(root)}"
      end
      require path unless loaded
      load_companion(path) if path
      nil
    rescue LoadError => e
      @problem = "The Vistrel exporter cannot load its native library #{path}: #{e.message}. " \
                 "#{supported(root)}"
    end

    # The companion extension with definitions and placements, beside the library where that
    # build made one; without it every placement is written in full.
    def self.load_companion(path)
      companion = File.join(File.dirname(path), COMPANION)
      return if defined?(::Vistrel_instancing) ||
                EXTENSIONS.none? { |extension| File.file?(companion + extension) }

      require companion
    end

    # What the package holds, as releases of the modeller people recognise. (No Dir.glob: the
    # folder's path may hold [ or {.)
    def self.supported(root = ROOT)
      builds = children(root).flat_map do |system|
        children(File.join(root, system)).grep(/\A\d+\.\d+\z/).select do |version|
          EXTENSIONS.any? { |extension| File.file?(File.join(root, system, version, NAME + extension)) }
        end.map { |version| release(system, version) }
      end
      return 'This package holds no native library: install a complete package.' if builds.empty?

      "This package works in: #{builds.join('; ')}. Install the package made for this SketchUp, " \
        'or use a SketchUp this package works in.'
    end

    def self.release(system, version)
      family, architecture = system.split('-', 2)
      where = [SYSTEMS.fetch(family, family), architecture].compact.join(' ')
      name = family == 'linux' ? 'the tests' : RELEASES.fetch(version, 'SketchUp')
      "#{name} on #{where} (Ruby #{version})"
    end

    def self.children(folder)
      File.directory?(folder) ? Dir.children(folder).sort : []
    end
  end
end
