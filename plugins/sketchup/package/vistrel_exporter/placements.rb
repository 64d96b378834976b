# frozen_string_literal: true

module VistrelExporter
  # What an export writes where, decided before anything is written.
  #
  # The content of the model's top level, of a group or of a component is a body: its entities,
  # with the material that its unpainted faces take from the nearest painted container around
  # them. A body with no such face (counting those of unpainted containers in it) takes none, so
  # its placements under different paints share it. A component's body that the scene would
  # hold more than once (placed more than once, counting placements inside groups and inside
  # other components written inline) becomes a definition: written once, at the top of the
  # scene, and placed. So a component painted differently in different placements is written
  # once per material its unpainted faces take; one placed once is written inline, in its group.
  #
  # Everything is walked with stacks of its own, however deep containers nest.
  class Placements
    # children: [container, body] for each visible container, in the model's order; name: the
    # definition's name in the scene, nil for a body written inline.
    Body = Struct.new(:entities, :painted, :component, :faces, :children, :occurrences, :name) do
      def definition?
        !name.nil?
      end
    end

    # Bodies that are definitions, each after those it places; and the faces the export meshes.
    attr_reader :root, :definitions, :faces_to_mesh

    # definitions: false writes every body inline.
    def initialize(entities, definitions: true)
      @definitions_allowed = definitions
      @lists = {}.compare_by_identity # entities => [visible faces, visible containers, takes paint]
      @bodies = {}
      survey(entities)
      @root = body(entities, nil, nil)
      order = bodies_in_post_order
      count(order.reverse)
      @definitions = order.select(&:definition?)
      @faces_to_mesh = order.sum { |body| body.faces * (body.definition? ? 1 : body.occurrences) }
    end

    private

    # For each entity list reachable from the top: its visible faces and containers, and whether
    # an unpainted face in it or in its unpainted containers takes the paint around it.
    def survey(entities)
      Placements.post_order(entities) do |list|
        containers = ModelWalker.visible_containers(list)
        faces = list.select { |entity| entity.is_a?(Sketchup::Face) && ModelWalker.visible?(entity) }
        @lists[list] = [faces, containers]
        containers.map { |entity| ModelWalker.children(entity) }
      end.each do |list|
        faces, containers = @lists[list]
        takes = faces.any? { |face| face.material.nil? } ||
                containers.any? { |entity| entity.material.nil? && @lists[ModelWalker.children(entity)][2] }
        @lists[list] = [faces.size, containers, takes]
      end
    end

    # The body of a list under a painted container (or nil), one per list and material taken.
    def body(entities, painted, component)
      faces, _containers, takes = @lists[entities]
      painted = nil unless takes
      key = [entities.object_id, painted&.material&.name]
      @bodies[key] ||= Body.new(entities, painted, component, faces, nil, 0, nil)
    end

    # From the top level: each body after every body it holds.
    def bodies_in_post_order
      Placements.post_order(@root) do |current|
        current.children = @lists[current.entities][1].map do |entity|
          painted = entity.material ? entity : current.painted
          component = entity.is_a?(Sketchup::ComponentInstance) ? entity.definition : nil
          [entity, body(ModelWalker.children(entity), painted, component)]
        end
        current.children.map(&:last)
      end
    end

    # Depth first, each node after all nodes below it; the block gives a node's children, and is
    # called once per node.
    def self.post_order(top)
      order = []
      seen = { top => true }.compare_by_identity
      stack = [[top, yield(top), 0]]
      until stack.empty?
        entry = stack.last
        node, children, index = entry
        index += 1 while index < children.size && seen.key?(children[index])
        entry[2] = index + 1
        if index < children.size
          child = children[index]
          seen[child] = true
          stack.push([child, yield(child), 0])
        else
          stack.pop
          order << node
        end
      end
      order
    end

    # How often the scene would hold each body, parents first; a component's body held more
    # than once becomes a definition and is then held once.
    def count(top_down)
      @root.occurrences = 1
      names = {}
      top_down.each do |body|
        body.name = definition_name(body, names) if @definitions_allowed && body.component && body.occurrences > 1
        written = body.definition? ? 1 : body.occurrences
        body.children.each { |_entity, child| child.occurrences += written }
      end
    end

    # The component's name, with the material its faces take; numbered when already taken.
    def definition_name(body, names)
      name = body.component.name.to_s
      name = 'Component' if name.empty?
      name = "#{name} painted #{body.painted.material.name}" if body.painted
      taken = name
      number = 1
      taken = "#{name} (#{number += 1})" while names.key?(taken)
      names[taken] = true
      taken
    end
  end
end
