# frozen_string_literal: true

require_relative 'error'
require_relative 'material'
require_relative 'model'
require_relative 'mtl_reader'

module VistrelExport
  # Reads a Wavefront OBJ file, with the MTL files it names, into a Model. Faces are unified and
  # triangulated while they are read, so that the model is ready to export when reading ends.
  #
  # Read: v, vt, vn, f, o, g, usemtl, mtllib. Skipped: everything else (smoothing groups, lines,
  # points, free-form geometry). Indices may be negative (counted back from the last element
  # read so far); an index must refer to an element read before the face.
  class ObjReader
    # Names of the groups that hold faces before any o or g; the OBJ default group.
    DEFAULT_GROUP = 'default'

    # warn receives each warning as text; progress receives the bytes read so far now and then.
    def initialize(warn: ->(_message) {}, progress: nil)
      @warn = warn
      @progress = progress
    end

    def read(path)
      check_readable(path)
      @path = path
      @data = VertexData.new
      @root = Group.new(File.basename(path, '.*'))
      @materials = {}
      @missing_materials = {}
      @material = nil
      @object = nil
      @group = nil
      @mesh = nil
      read_lines(path)
      Model.new(@root.name, @root, @data)
    rescue SystemCallError, IOError => e
      raise Error, "cannot read #{VistrelExport.printable(path)}: #{os_text(e)}"
    end

    private

    def check_readable(path)
      raise Error, "#{VistrelExport.printable(path)}: no such file" unless File.exist?(path)
      raise Error, "#{VistrelExport.printable(path)}: is a folder, not a model file" if File.directory?(path)
    end

    def os_text(error)
      error.is_a?(SystemCallError) ? error.message.sub(/ @ .*\z/, '').sub(/ - .*\z/, '') : error.message
    end

    def read_lines(path)
      lineno = 0
      bytes = 0
      pending = nil
      File.open(path, 'rb') do |io|
        io.each_line(chomp: true) do |line|
          lineno += 1
          if @progress
            bytes += line.bytesize + 1
            @progress.call(bytes) if (lineno & 0x3fff).zero?
          end
          if pending
            line = pending << line
            pending = nil
          end
          if line.end_with?('\\')
            pending = line.chop << ' '
            next
          end
          @lineno = lineno
          statement(line)
        end
      end
      statement(pending) if pending
    end

    # Dispatches on the first bytes, so that the frequent statements cost no string compare.
    def statement(line)
      case line.getbyte(0)
      when 118 # v
        case line.getbyte(1)
        when 32, 9, nil then numbers(line, @data.positions, 3, 'v')
        when 116 then numbers(line, @data.texcoords, 2, 'vt') if blank?(line.getbyte(2))
        when 110 then numbers(line, @data.normals, 3, 'vn') if blank?(line.getbyte(2))
        end
      when 102 # f
        face(line) if blank?(line.getbyte(1))
      when 35, nil # comment, empty line
        nil
      else
        named_statement(line)
      end
    end

    # A keyword ends at a blank or at the end of the line.
    def blank?(byte)
      byte == 32 || byte == 9 || byte.nil?
    end

    def named_statement(line)
      keyword, rest = line.strip.split(nil, 2)
      rest = rest.to_s
      case keyword
      when 'o' then begin_object(rest)
      when 'g' then begin_group(rest)
      when 'usemtl' then use_material(rest)
      when 'mtllib' then load_materials(rest)
      end
    end

    # v x y z [w], vt u [v [w]], vn x y z: extra values are dropped, missing ones of vt are 0.
    def numbers(line, target, count, keyword)
      line = line[0, line.index('#')] if line.include?('#')
      words = line.split
      if words.size <= (keyword == 'vt' ? 1 : count)
        malformed("#{keyword} needs #{keyword == 'vt' ? 'at least 1 number' : "#{count} numbers"}")
      end
      i = 1
      while i <= count
        word = words[i]
        # Float() without options: its keyword form costs more than the whole line otherwise.
        value = word ? Float(word) : 0.0
        raise ArgumentError unless value.finite?

        target << value
        i += 1
      end
    rescue ArgumentError, TypeError
      malformed("#{keyword}: '#{VistrelExport.printable(word)}' is not a finite number")
    end

    def face(line)
      line = line[0, line.index('#')] if line.include?('#')
      words = line.split
      corners = words.size - 1
      malformed("f needs at least 3 vertices, got #{corners}") if corners < 3
      # Lines of digits, slashes and blanks only (after the "f") hold positive indices that
      # String#to_i reads exactly; anything else goes through the checking index().
      plain = line.count("^0-9/ \t\r") == 1
      counts = [@data.positions.size / 3, @data.texcoords.size / 2, @data.normals.size / 3]
      positions = Array.new(corners)
      uvs = Array.new(corners, -1)
      normals = Array.new(corners)
      without_normal = false
      i = 0
      while i < corners
        word = words[i + 1]
        if word.include?('/')
          parts = word.split('/', -1)
          malformed("bad vertex '#{VistrelExport.printable(word)}'") if parts.size > 3
          positions[i] = corner_index(parts[0], plain, counts, 0)
          uv = parts[1]
          uvs[i] = corner_index(uv, plain, counts, 1) unless uv.nil? || uv.empty?
          normal = parts[2]
          if normal.nil? || normal.empty?
            without_normal = true
          else
            normals[i] = corner_index(normal, plain, counts, 2)
          end
        else
          positions[i] = corner_index(word, plain, counts, 0)
          without_normal = true
        end
        i += 1
      end
      fill_face_normal(positions, normals) if without_normal
      add_polygon(positions, uvs, normals)
    end

    KINDS = [%w[vertex vertices], ['texture coordinate', 'texture coordinates'], %w[normal normals]].freeze
    private_constant :KINDS

    # Zero-based index of one of a corner's indices; kind 0 position, 1 uv, 2 normal.
    def corner_index(word, plain, counts, kind)
      if plain
        value = word.to_i - 1
        return value if value >= 0 && value < counts[kind]
      end
      index(word, counts[kind], *KINDS[kind])
    end

    # Zero-based index of an OBJ index (from 1, or negative from the end) among count elements.
    def index(word, count, what, plural)
      value = Integer(word, 10, exception: false)
      malformed("#{what} index '#{VistrelExport.printable(word)}' is not a whole number") unless value
      resolved = value.negative? ? count + value : value - 1
      return resolved if value != 0 && resolved >= 0 && resolved < count

      malformed("#{what} index #{value} out of range (#{count} #{plural} defined so far)")
    end

    # Corners without a normal get the polygon's normal, by Newell's method, so that polygons
    # that are not quite flat get their mean plane.
    def fill_face_normal(positions, normals)
      p = @data.positions
      x = y = z = 0.0
      n = positions.size
      n.times do |i|
        a = 3 * positions[i]
        b = 3 * positions[(i + 1) % n]
        x += (p[a + 1] - p[b + 1]) * (p[a + 2] + p[b + 2])
        y += (p[a + 2] - p[b + 2]) * (p[a] + p[b])
        z += (p[a] - p[b]) * (p[a + 1] + p[b + 1])
      end
      length = Math.sqrt(x * x + y * y + z * z)
      # A polygon without area has no direction; any unit normal does.
      x, y, z = length.positive? && length.finite? ? [x / length, y / length, z / length] : [0.0, 1.0, 0.0]
      code = -1 - @data.face_normal_id(x, y, z)
      n.times { |i| normals[i] ||= code }
    end

    def add_polygon(positions, uvs, normals)
      mesh = (@mesh ||= current_group.mesh(@material, @data))
      numbers = Array.new(positions.size) { |i| mesh.vertex(positions[i], uvs[i], normals[i]) }
      mesh.add_polygon(numbers)
    end

    def current_group
      @group ||= @root.child(DEFAULT_GROUP)
    end

    def begin_object(name)
      @object = @group = @root.child(name)
      @mesh = nil
    end

    # A group is nested in the object it appears in; a group named like its object is the object.
    def begin_group(name)
      name = DEFAULT_GROUP if name.empty?
      @group = if @object.nil? then @root.child(name)
               elsif name == @object.name then @object
               else @object.child(name)
               end
      @mesh = nil
    end

    def use_material(name)
      @mesh = nil
      name = Material.cut_name(name)
      @material = name.empty? ? nil : @materials[name]
      return if @material || name.empty?

      @material = @missing_materials[name] ||= begin
        @warn.call("#{where}: material '#{VistrelExport.printable(name)}' is not defined; it gets the default colour")
        Material.default(name)
      end
    end

    # mtllib takes one or more file names; a name with blanks is taken whole when it exists.
    def load_materials(rest)
      dir = File.dirname(File.expand_path(@path))
      names = File.file?(File.expand_path(rest, dir)) ? [rest] : rest.split
      names.each do |name|
        path = File.expand_path(name, dir)
        unless File.file?(path)
          @warn.call("#{where}: material file '#{VistrelExport.printable(name)}' not found; " \
                     'its materials get the default colour')
          next
        end
        @materials.merge!(MtlReader.new(warn: @warn).read(path))
      end
    end

    def malformed(text)
      raise Error, "#{where}: #{text}"
    end

    def where
      "#{VistrelExport.printable(@path)}:#{@lineno}"
    end
  end
end
