# frozen_string_literal: true

require_relative 'texture_files'

module VistrelExporter
  # What a face looks like in the scene: the name the extension batches it under, colour 0-255,
  # opacity, texture file, and how its mesh's texture coordinates become the image's.
  Surface = Struct.new(:name, :texture, :r, :g, :b, :opacity, :u_scale, :v_scale, :distorted)

  # Decides each face's surface: its front material, else the material painted on the nearest
  # enclosing group or instance, else the default one. Textures are written once per material,
  # and once per face whose texture is distorted (its image is unwarped for that face alone).
  #
  # The extension merges meshes by name, and the scene keeps 127 bytes of a name, so each
  # surface gets a name of its own: one already taken (a material named like the made-up name
  # of the default or of a distorted face) gets a number, " (2)" and so on.
  class Surfaces
    # Unpainted faces without a painted container: the modeller's default front colour, white.
    # The extension names it "Default 255:255:255".
    DEFAULT = Surface.new('', '', 255, 255, 255, 1.0, 1.0, 1.0, false).freeze
    DEFAULT_NAME = 'Default 255:255:255'
    NAME_BYTES = 127

    def initialize(texture_files, writer = Sketchup.create_texture_writer)
      @files = texture_files
      @writer = writer
      @by_material = {}
      @textures = {}
      @names = {} # by owner: a material's name, or what a made-up name stands for
      @taken = {} # the names given, as the scene keeps them
    end

    attr_reader :writer

    # painted: the nearest enclosing group or instance with a material, or nil.
    def for_face(face, mesh, painted)
      material = face.material
      return inherited(painted) if material.nil? && painted
      return default if material.nil?
      return plain(material) unless material.texture
      return distorted(face, material) if distorted?(mesh)

      @by_material[material.name] ||= textured(material, 1.0, 1.0) { face_texture(face, material) }
    end

    private

    def default
      @by_material[nil] ||= begin
        name = scene_name(:default, DEFAULT_NAME)
        name == DEFAULT_NAME ? DEFAULT : DEFAULT.dup.tap { |surface| surface.name = name }
      end
    end

    # The owner's name, else the first of "name (2)", "name (3)", ... that no other owner has,
    # cut so that the number stays within the bytes the scene keeps.
    def scene_name(owner, name)
      @names[owner] ||= begin
        taken = name
        number = 1
        while @taken.key?(taken.byteslice(0, NAME_BYTES))
          number += 1
          suffix = " (#{number})"
          room = NAME_BYTES - suffix.bytesize
          taken = (name.bytesize > room ? name.byteslice(0, room).scrub('') : name) + suffix
        end
        @taken[taken.byteslice(0, NAME_BYTES)] = true
        taken
      end
    end

    def plain(material)
      @by_material[material.name] ||= surface(material, material.name, '', 1.0, 1.0)
    end

    # A face that takes its container's texture has its mesh coordinates in inches of the
    # default mapping, so they are scaled by the texture's size (inches per repeat).
    def inherited(painted)
      material = painted.material
      return plain(material) unless material.texture

      @by_material["\0#{material.name}"] ||= begin
        texture = material.texture
        textured(material, 1.0 / texture.width, 1.0 / texture.height) do
          @textures[material.name] ||= write(material.name, @writer.load(painted)) do |path|
            @writer.write(painted, path)
          end
        end
      end
    end

    # A non-affine (distorted) mapping shows as a Q other than 1 in the face's mesh.
    def distorted?(mesh)
      (1..mesh.count_points).any? { |i| (mesh.uv_at(i, true).z - 1.0).abs > 1e-9 }
    end

    def distorted(face, material)
      handle = @writer.load(face, true)
      @by_material["#{material.name}\0#{handle}"] ||= begin
        path = write("#{material.name} #{handle}", handle) { |file| @writer.write(face, true, file) }
        surface(material, "#{material.name} ##{handle}", path, 1.0, 1.0, [material.name, handle])
      end
    end

    def face_texture(face, material)
      @textures[material.name] ||= write(material.name, @writer.load(face, true)) do |path|
        @writer.write(face, true, path)
      end
    end

    def textured(material, u_scale, v_scale)
      surface(material, material.name, yield, u_scale, v_scale)
    end

    def write(label, handle, &block)
      @files.write(label, @writer.filename(handle), &block)
    end

    # distorted: for the surface of one face with a distorted texture, what owns its made-up name.
    def surface(material, name, texture, u_scale, v_scale, distorted = nil)
      color = material.color
      Surface.new(scene_name(distorted || material.name, name), texture, color.red, color.green,
                  color.blue, material.alpha.to_f, u_scale, v_scale, !distorted.nil?)
    end
  end
end
