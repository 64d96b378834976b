# frozen_string_literal: true

require_relative 'mesh_builder'

module VistrelExport
  # One OBJ object or group: its meshes, one per material in order of first use, and the groups
  # nested in it.
  class Group
    attr_reader :name, :children, :meshes

    def initialize(name)
      @name = name
      @children = []
      @child_index = {}
      @meshes = {}
    end

    # The child group of that name, made on first use; a name met again continues its group.
    def child(name)
      @child_index[name] ||= Group.new(name).tap { |g| @children << g }
    end

    def mesh(material, data)
      @meshes[material] ||= MeshBuilder.new(material, data)
    end

    # Whether the group or a group in it has a triangle.
    def any_faces?
      @meshes.each_value.any? { |m| m.triangle_count.positive? } || @children.any?(&:any_faces?)
    end

    # Yields each group of the subtree that has faces, depth first.
    def each_group(&block)
      return enum_for(:each_group) unless block

      @children.each do |child|
        next unless child.any_faces?

        yield child
        child.each_group(&block)
      end
    end
  end

  # What the reader makes of a model file: the top group (named after the file) with the
  # vertex data its meshes were built from.
  Model = Struct.new(:name, :root, :data) do
    def groups
      root.each_group.to_a
    end

    def meshes
      groups.flat_map { |g| g.meshes.values.select { |m| m.triangle_count.positive? } }
    end

    def triangle_count
      meshes.sum(&:triangle_count)
    end

    # [min, max] corners of the exported vertices, nil for a model without faces.
    def bounds
      min = [Float::INFINITY] * 3
      max = [-Float::INFINITY] * 3
      meshes.each do |mesh|
        p = mesh.positions
        i = 0
        n = p.size
        while i < n
          3.times do |axis|
            v = p[i + axis]
            min[axis] = v if v < min[axis]
            max[axis] = v if v > max[axis]
          end
          i += 3
        end
      end
      min[0].finite? ? [min, max] : nil
    end
  end
end
