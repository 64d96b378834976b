# frozen_string_literal: true

require 'open3'
require_relative 'error'
require_relative 'extension'

module VistrelExport
  # The picture of an exported scene as its camera sees it, drawn by the inspector
  # (vistrel-inspect FILE.vsf --png OUT.png).
  module Preview
    INSPECTOR = File.join('inspect', 'vistrel-inspect')

    # $VISTREL_INSPECT, else the inspector built beside the extension, else bin/vistrel-inspect,
    # which builds it first.
    def self.inspector(env = ENV)
      return env['VISTREL_INSPECT'] if env['VISTREL_INSPECT']

      built = Extension.candidate_dirs(env).map { |dir| File.expand_path(File.join('..', INSPECTOR), dir) }
      built.find { |path| File.executable?(path) } || File.join(Extension::ROOT, 'bin', 'vistrel-inspect')
    end

    # Writes the picture of `scene` to `png`; the inspector's warnings go to `warn` one by one.
    def self.write(scene, png, warn:)
      raise Error, "no preview: the scene's temporary file was not found" unless scene

      # After '--' the scene's name is never read as an option, whatever it begins with.
      _, err, status = Open3.capture3(inspector, '--png', png, '--quiet', '--', scene)
      lines = err.lines.map(&:chomp)
      unless status.success?
        raise Error, "no preview written to #{VistrelExport.printable(png)}: " \
                     "#{VistrelExport.printable(lines.last || "inspector exit status #{status.exitstatus}")}"
      end

      lines.each { |line| warn.call("preview: #{VistrelExport.printable(line.sub(/\A.*?: warning: /, ''))}") }
    end
  end
end
