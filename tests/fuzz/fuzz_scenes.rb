# frozen_string_literal: true

require 'fileutils'
require 'open3'

# The files the binding fuzzer's exports write: where open_file sends them (mostly fresh files,
# sometimes places that cannot be written), which exports completed, and whether the inspector
# reads each completed scene.
class FuzzScenes
  attr_reader :completed

  def initialize(folder, random)
    @folder = folder
    @random = random
    @kept = File.join(folder, 'completed')
    @temporary = File.join(folder, 'tmp')
    FileUtils.mkdir_p([@kept, @temporary])
    @open = {} # exporter => the file its open export writes
    @count = 0
    @completed = 0
    isolate_environment
  end

  # Temporary scenes go to the fuzzer's folder; the renderer is configured but not installed.
  def isolate_environment
    ENV['TMPDIR'] = @temporary
    config = File.join(@folder, 'config')
    FileUtils.mkdir_p(File.join(config, 'Tavren'))
    File.write(File.join(config, 'Tavren', 'Vistrel.conf'), "BinName=#{@folder}/no-renderer\n")
    ENV['XDG_CONFIG_HOME'] = config
    ENV['XDG_CONFIG_DIRS'] = File.join(@folder, 'no-config')
  end

  def output_path
    @count += 1
    case @random.rand(18)
    when 0 then '/dev/full'
    when 1 then @folder.dup # cannot be opened; a conversion may grow the String it is given
    when 2 then nil
    when 3 then "sc\u00e8ne \"#{@count}\" \u20ac.vsf"
    else "scene#{@count}.vsf"
    end
  end

  # The path as given: a conversion may grow the String before the call reads it.
  def before(exporter, method, args)
    @path_given = args[1].dup if method == :open_file
    @open.delete(exporter) if method == :initialize
  end

  # error is the exception the call raised, or nil. Only exports to a given path are followed:
  # one to a temporary file (use_path false) writes what the same calls write to a path.
  def after(exporter, method, args, error)
    error = nil unless error.is_a?(Exception)
    case method
    when :open_file
      @open.delete(exporter)
      use_path = args[7] == true || (args[7].is_a?(Integer) && args[7] != 0)
      @open[exporter] = File.expand_path(@path_given, @folder) if error.nil? && use_path && @path_given.is_a?(String)
    when :close_file
      path = @open.delete(exporter)
      keep(path) if error.nil? && path && @open.values.none?(path) && File.file?(path)
    end
  end

  def keep(path)
    @completed += 1
    FileUtils.cp(path, File.join(@kept, "#{@completed}.vsf"))
  end

  # Problems found by the inspector in the completed scenes: a scene must parse (its meshes may
  # still hold whatever indices the calls gave them, which the inspector reports as invalid).
  def check_with(inspector)
    Dir.glob(File.join(@kept, '*.vsf')).sort.filter_map do |path|
      output, status = Open3.capture2e(inspector, '--quiet', '--no-texture-check', path)
      parsed = status.exitstatus&.zero? || (status.exitstatus == 1 && !output.include?('malformed'))
      "#{path} does not parse (#{status}): #{output.lines.first(3).join}" unless parsed
    end
  end
end
