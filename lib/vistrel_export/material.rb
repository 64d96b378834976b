# frozen_string_literal: true

module VistrelExport
  # A surface as the exporter takes it: colour components 0 to 255, opacity 0 to 1 and a texture
  # path ("" for none). A nil name stands for faces without a material; the exporter then keys
  # the mesh by its colour.
  class Material < Struct.new(:name, :r, :g, :b, :opacity, :texture)
    # The exporter keeps at most this many bytes of a material name or texture path.
    MAX_TEXT_BYTES = 255
    # The scene file keeps this many bytes of a material name.
    SCENE_NAME_BYTES = 127

    # Colour of faces that name no material, and of materials that give no Kd: OBJ's 0.8 grey.
    DEFAULT_COMPONENT = 204

    def self.default(name = nil)
      new(name, DEFAULT_COMPONENT, DEFAULT_COMPONENT, DEFAULT_COMPONENT, 1.0, '')
    end

    # A name cut to what the exporter keeps, at a character boundary where the bytes are UTF-8.
    def self.cut_name(name)
      return name if name.bytesize <= MAX_TEXT_BYTES

      name.byteslice(0, MAX_TEXT_BYTES).force_encoding(Encoding::UTF_8).scrub('').b
    end

    # The name as the exporter receives it: "" selects the colour key.
    def exported_name
      name || ''
    end
  end
end
