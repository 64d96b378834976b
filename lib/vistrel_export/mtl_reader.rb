# frozen_string_literal: true

require_relative 'error'
require_relative 'material'

module VistrelExport
  # Reads a Wavefront MTL file into a Hash of Material by name. Only what the renderer's material
  # takes is read: Kd, d or Tr, and map_Kd; other statements are skipped.
  class MtlReader
    # Options of map_Kd and how many values each takes (-o, -s and -t take one to three).
    MAP_OPTIONS = {
      '-blendu' => 1, '-blendv' => 1, '-bm' => 1, '-boost' => 1, '-cc' => 1, '-clamp' => 1,
      '-imfchan' => 1, '-texres' => 1, '-type' => 1, '-mm' => 2, '-o' => 3, '-s' => 3, '-t' => 3
    }.freeze

    # warn receives each warning as text.
    def initialize(warn: ->(_message) {})
      @warn = warn
    end

    def read(path)
      materials = {}
      @path = path
      @dir = File.dirname(File.expand_path(path))
      current = nil
      each_statement(path) do |keyword, rest, lineno|
        @lineno = lineno
        case keyword
        when 'newmtl'
          current = Material.default(material_name(rest))
          @d_given = false
          materials[current.name] = current
        when 'Kd', 'd', 'Tr', 'map_Kd'
          raise Error, "#{where}: #{keyword} before any newmtl" unless current

          apply(current, keyword, rest)
        end
      end
      materials
    rescue SystemCallError, IOError => e
      raise Error, "cannot read #{VistrelExport.printable(path)}: #{e.message.sub(/ @ .*\z/, '')}"
    end

    private

    def each_statement(path)
      lineno = 0
      File.foreach(path, mode: 'rb') do |line|
        lineno += 1
        line = line.strip
        next if line.empty? || line.start_with?('#')

        keyword, rest = line.split(nil, 2)
        yield keyword, rest.to_s, lineno
      end
    end

    def apply(material, keyword, rest)
      case keyword
      when 'Kd' then material.r, material.g, material.b = colour(rest)
      when 'd'
        material.opacity = fraction(rest)
        @d_given = true
      when 'Tr' then material.opacity = 1.0 - fraction(rest) unless @d_given
      when 'map_Kd' then material.texture = texture_path(rest, material)
      end
    end

    # "Kd r g b" in 0..1, or one value for a grey; spectral and CIE forms are not supported.
    def colour(rest)
      values = rest.split
      if values.first == 'spectral' || values.first == 'xyz'
        raise Error, "#{where}: Kd #{values.first} is not supported; give r g b"
      end
      raise Error, "#{where}: Kd needs 1 or 3 numbers" unless [1, 3].include?(values.size)

      values = values.map { |v| number(v, 'Kd') }
      values *= 3 if values.size == 1
      values.map { |v| (v.clamp(0.0, 1.0) * 255).round }
    end

    def fraction(rest)
      values = rest.split
      values.shift if values.first == '-halo'
      raise Error, "#{where}: expected one number" unless values.size == 1

      number(values.first, 'opacity').clamp(0.0, 1.0)
    end

    def number(text, what)
      value = Float(text, exception: false)
      raise Error, "#{where}: #{what}: '#{VistrelExport.printable(text)}' is not a number" unless value&.finite?

      value
    end

    def material_name(rest)
      raise Error, "#{where}: newmtl without a name" if rest.empty?

      cut = Material.cut_name(rest)
      @warn.call("#{where}: material name cut to #{cut.bytesize} bytes") if cut.bytesize < rest.bytesize
      cut
    end

    # The file name is what follows the options; it may contain blanks. Backslashes from files
    # made on Windows are read as folder separators when the name does not exist as written.
    def texture_path(rest, material)
      words = rest.split(' ')
      words.shift(option_length(words)) while MAP_OPTIONS.key?(words.first)
      name = words.join(' ')
      raise Error, "#{where}: map_Kd without a file name" if name.empty?
      raise Error, "#{where}: map_Kd: a file name cannot hold a NUL byte" if name.include?("\0")

      path = File.expand_path(name, @dir)
      unless File.file?(path)
        alternative = File.expand_path(name.tr('\\', '/'), @dir)
        path = alternative if File.file?(alternative)
      end
      checked_texture(path, name, material)
    end

    # How many words an option at the front of words takes, counting the option itself.
    def option_length(words)
      count = MAP_OPTIONS.fetch(words.first)
      return count + 1 if count < 3

      taken = 1
      taken += 1 while taken <= 3 && words.size > taken + 1 && Float(words[taken], exception: false)
      taken
    end

    def checked_texture(path, name, material)
      label = "material '#{VistrelExport.printable(material.name)}'"
      unless File.file?(path)
        @warn.call("#{where}: texture '#{VistrelExport.printable(name)}' not found " \
                   "(#{VistrelExport.printable(path)}); #{label} is exported without it")
        return ''
      end
      if path.bytesize > Material::MAX_TEXT_BYTES
        @warn.call("#{where}: texture path longer than #{Material::MAX_TEXT_BYTES} bytes; " \
                   "#{label} is exported without it")
        return ''
      end
      path
    end

    def where
      "#{VistrelExport.printable(@path)}:#{@lineno}"
    end
  end
end
