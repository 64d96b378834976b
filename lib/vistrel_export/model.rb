# frozen_string_literal: true

module VistrelExport
  # What the reader makes of a model file: the native model (vistrel_obj_reader), the materials
  # its meshes are keyed by, and the files the export reads.
  class Model
    attr_reader :name, :materials, :inputs

    def initialize(name, native, materials, inputs)
      @name = name
      @native = native
      @materials = materials
      @inputs = inputs
    end

    def triangle_count
      @native.triangle_count
    end

    # [min, max] corners of the faces' vertices, nil for a model without faces.
    def bounds
      @native.bounds
    end

    # Yields, in the order the exporter takes them, [:begin_group, name],
    # [:mesh, material (nil for none), vertices, triangles, vs, fs, ns, uvs] and [:end_group];
    # groups without faces are left out. A large mesh may come in parts: [:mesh, ...] for its
    # first, then [:more, ...] with the same material for each other, every part's vertex
    # numbers counting from 1 within it (add_faces2 joins them again). A model is handed over
    # once: its arrays are freed as they go.
    def hand_over
      @native.hand_over do |kind, *args|
        args[0] = args[0].negative? ? nil : @materials[args[0]] if %i[mesh more].include?(kind)
        yield kind, *args
      end
    end
  end
end
