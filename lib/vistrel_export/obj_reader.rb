# frozen_string_literal: true

require_relative 'error'
require_relative 'extension'
require_relative 'material'
require_relative 'model'
require_relative 'mtl_reader'

module VistrelExport
  # Reads a Wavefront OBJ file, with the MTL files it names, into a Model. The native reader
  # (vistrel_obj_reader, built on tinyobjloader) parses the file, unifies the corners into
  # vertices and triangulates; it asks this object for the text, chunk by chunk, and for the
  # materials, which MtlReader reads.
  #
  # Read: v, vt, vn, f, o, g, usemtl, mtllib; skipped: everything else. Indices may be negative
  # (counted back from the last element read so far); an index must refer to an element read
  # before the face.
  class ObjReader
    LIBRARY = 'vistrel_obj_reader'
    CHUNK_BYTES = 1 << 20

    # warn receives each warning as text; progress receives the bytes read so far now and then.
    def initialize(warn: ->(_message) {}, progress: nil, chunk_bytes: CHUNK_BYTES)
      @warn = warn
      @progress = progress
      @chunk_bytes = chunk_bytes
    end

    def read(path)
      check_readable(path)
      Extension.require_library(LIBRARY)
      @path = path
      @materials = {}
      @used = []
      @ids = {}
      @inputs = [path]
      name = File.basename(path, '.*')
      native = File.open(path, 'rb') do |io|
        @io = io
        VistrelObjReader.read(self, name)
      end
      Model.new(name, native, @used, @inputs + @materials.each_value.map(&:texture).reject(&:empty?))
    rescue VistrelObjReader::MalformedError => e
      raise Error, "#{VistrelExport.printable(path)}:#{VistrelExport.printable(e.message)}"
    rescue SystemCallError, IOError => e
      raise Error, "cannot read #{VistrelExport.printable(path)}: #{os_text(e)}"
    end

    # The native reader's questions.

    def read_chunk
      chunk = @io.read(@chunk_bytes, @buffer ||= String.new(capacity: @chunk_bytes))
      @progress&.call(@io.pos) if chunk
      chunk
    end

    # usemtl: the number of the material, -1 for none; an undefined one is warned about once.
    def material(name, line)
      name = Material.cut_name(name)
      return -1 if name.empty?

      @ids[name] ||= begin
        material = @materials[name] || begin
          @warn.call("#{where(line)}: material '#{VistrelExport.printable(name)}' is not defined; " \
                     'it gets the default colour')
          Material.default(name)
        end
        @used << material
        @used.size - 1
      end
    end

    # mtllib takes one or more file names; a name with blanks is taken whole when it exists.
    def material_library(rest, line)
      raise Error, "#{where(line)}: mtllib: a file name cannot hold a NUL byte" if rest.include?("\0")

      dir = File.dirname(File.expand_path(@path))
      names = File.file?(File.expand_path(rest, dir)) ? [rest] : rest.split
      names.each do |name|
        path = File.expand_path(name, dir)
        unless File.file?(path)
          @warn.call("#{where(line)}: material file '#{VistrelExport.printable(name)}' not found; " \
                     'its materials get the default colour')
          next
        end
        @materials.merge!(MtlReader.new(warn: @warn).read(path))
        @inputs << path
      end
    end

    private

    def check_readable(path)
      raise Error, "#{VistrelExport.printable(path)}: no such file" unless File.exist?(path)
      raise Error, "#{VistrelExport.printable(path)}: is a folder, not a model file" if File.directory?(path)
    end

    def os_text(error)
      error.is_a?(SystemCallError) ? error.message.sub(/ @ .*\z/, '').sub(/ - .*\z/, '') : error.message
    end

    def where(line)
      "#{VistrelExport.printable(@path)}:#{line}"
    end
  end
end
