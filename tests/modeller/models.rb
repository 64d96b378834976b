# frozen_string_literal: true

require_relative 'sketchup_api_double'

# Stand-in models built with the API double.
module Models
  module_function

  Group = Sketchup::Group
  Instance = Sketchup::ComponentInstance

  def moved(x, y, z, turned: false)
    Geom::Transformation.new((turned ? [0, 1, 0, 0, -1, 0, 0, 0] : [1, 0, 0, 0, 0, 1, 0, 0]) + [0, 0, 1, 0, x, y, z, 1])
  end

  def face(corners, triangles, **options)
    Sketchup::Face.new(corners: corners.map { |x, y| [x.to_f, y.to_f, 0.0] }, triangles: triangles, **options)
  end

  def quad(x, y, **options)
    face([[0, 0], [x, 0], [x, y], [0, y]], [[1, 2, -3], [-1, 3, 4]], **options)
  end
  def paint(name, rgb, texture = nil, alpha: 1.0)
    Sketchup::Material.new(name, Sketchup::Color.new(*rgb), alpha, texture)
  end

  def camera(perspective: true, fov: 35.0, fov_is_height: true, height: 0.0, aspect: 0.0, target: [0.0, 0.0, 60.0])
    Sketchup::Camera.new(Geom::Point3d.new(0.0, -200.0, 60.0), Geom::Point3d.new(*target),
                         Geom::Vector3d.new(0.0, 0.0, 1.0), perspective, fov, fov_is_height, height, aspect)
  end

  # A house (a painted, textured group, turned and moved) with a wall that takes its texture, a
  # window with a hole, two chairs of one component (wood texture, one face distorted), an
  # unnamed inner group and hidden things; a lamp painted red; a floor with no material; and
  # elements on a hidden tag.
  def house(brick_image: 'C:\\maps\\brick.jpg')
    brick = paint('Brick', [180, 80, 60], Sketchup::Texture.new(brick_image, 40.0, 20.0))
    wood = paint('Wood', [150, 110, 60], Sketchup::Texture.new('/maps/wood.png', 10.0, 10.0))
    off = Sketchup::Layer.new(false)
    chair = Sketchup::ComponentDefinition.new('Chair', [quad(10, 10, material: wood),
                                                         quad(20, 10, material: wood, q: [1.0, 0.5, 0.5, 1.0])])
    window = face([[0, 0], [30, 0], [30, 30], [0, 30], [10, 10], [20, 10], [20, 20], [10, 20]],
                  [[1, -2, -6], [-1, 6, -5], [2, -3, -7], [-2, 7, -6], [3, -4, -8], [-3, 8, -7], [4, -1, -5], [-4, 5, -8]],
                  material: paint('Glass', [200, 220, 255], alpha: 0.5))
    house = [quad(40, 20), window,
             Instance.new(name: '', definition: chair, transformation: moved(50, 0, 0)),
             Instance.new(name: 'Window chair', definition: chair, transformation: moved(0, 50, 0, turned: true),
                          layer: Sketchup::Layer.new(true)),
             Group.new(name: '', entities: [quad(5, 5)], transformation: moved(0, 0, 30)),
             quad(1, 1, hidden: true), Group.new(name: 'Hidden', entities: [quad(1, 1)], hidden: true)]
    lamp = Sketchup::ComponentDefinition.new('Lamp', [quad(2, 2)])
    Sketchup::Model.new('House', '', [
      quad(100, 100),
      Group.new(name: 'House', entities: house, transformation: moved(10, 20, 0, turned: true), material: brick),
      Instance.new(name: '', definition: lamp, transformation: moved(5, 5, 80), material: paint('Red', [255, 0, 0])),
      quad(3, 3, layer: off), Group.new(name: 'Off', entities: [quad(1, 1)], layer: off)
    ], Sketchup::View.new(camera, 800, 600))
  end

  # A tree component placed three times: at the top, in a group, and painted red (its trunk is
  # unpainted, so that placement is red and written inline); a fourth placement is hidden. The
  # trunk is two faces joined by a smooth edge; the tree places a leaf component twice.
  def grove
    leaf = Sketchup::ComponentDefinition.new('Leaf', [quad(2, 1, material: paint('Leaf', [40, 160, 40]))])
    trunk, smooth = joined([[0, 0, 0], [1, 0, 0], [1, 0, 5], [0, 0, 5], [0, 1, 0], [0, 1, 5]], [[0, 1, 2, 3], [4, 0, 3, 5]])
    smooth.call(0, 3)
    tree = Sketchup::ComponentDefinition.new('Tree', trunk + [
      Instance.new(name: '', definition: leaf, transformation: moved(0, 0, 5)),
      Instance.new(name: 'Top leaf', definition: leaf, transformation: moved(0, 0, 6, turned: true))
    ])
    placed = ->(x, y, **options) { Instance.new(name: '', definition: tree, transformation: moved(x, y, 0), **options) }
    Sketchup::Model.new('Grove', '', [
      quad(40, 20), placed.call(0, 0),
      Group.new(name: 'Grove', entities: [placed.call(10, 0, name: 'Far tree')], transformation: moved(0, 10, 0)),
      placed.call(20, 0, material: paint('Red', [255, 0, 0])), placed.call(30, 0, hidden: true)
    ], Sketchup::View.new(camera, 800, 600))
  end

  # Faces that meet at shared vertices and edges, as SketchUp keeps them: the points, then each
  # face's corners as indices into them (a convex polygon, cut into a fan). Returns the faces
  # and a way to make the edge between two points smooth.
  def joined(points, polygons, **options)
    vertices = points.map { |point| Sketchup::Vertex.new(Geom::Point3d.new(*point.map(&:to_f))) }
    faces = polygons.map do |corners|
      n = corners.size
      fan = (1...n - 1).map { |j| [j == 1 ? 1 : -1, j + 1, j + 2 == n ? n : -(j + 2)] }
      Sketchup::Face.new(vertices: vertices.values_at(*corners), triangles: fan, **options)
    end
    smooth = lambda do |a, b|
      edge = vertices[a].common_edge(vertices[b])
      edge.smooth = true
    end
    [faces, smooth]
  end

  # A cylinder of eight sides (radius 10, corners to 4 decimals, height 20) with a painted flat
  # cap on top and a hidden bottom. Its side edges are smooth but one, a seam at +x; side 2 is
  # cut in two triangles by a smooth diagonal; side 5 faces inwards; the cap's edges are hard,
  # the hidden bottom's smooth.
  def cylinder
    ring = Array.new(8) do |k|
      [Math.cos(k * Math::PI / 4), Math.sin(k * Math::PI / 4)].map { |c| (10 * c).round(4) + 0.0 }
    end
    sides = Array.new(8) { |k| [k, (k + 1) % 8, (k + 1) % 8 + 8, k + 8] }
    sides[2, 1] = [[2, 3, 11], [2, 11, 10]]
    sides[6] = sides[6].reverse
    faces, smooth = joined(ring.map { |x, y| [x, y, 0] } + ring.map { |x, y| [x, y, 20] },
                           sides + [(8..15).to_a, (0..7).to_a.reverse])
    (1..7).each { |k| smooth.call(k, k + 8) }
    smooth.call(2, 11)
    (0..7).each { |k| smooth.call(k, (k + 1) % 8) }
    faces[-2].material = paint('Cap', [90, 90, 200])
    faces[-1].hidden = true
    Sketchup::Model.new('Cylinder', '', faces, Sketchup::View.new(camera(target: [0.0, 0.0, 10.0]), 800, 600))
  end
end
