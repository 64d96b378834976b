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
  def house
    brick = paint('Brick', [180, 80, 60], Sketchup::Texture.new('C:\\maps\\brick.jpg', 40.0, 20.0))
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
end
