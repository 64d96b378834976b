# frozen_string_literal: true

# TEST DOUBLE: a stand-in for the calls of the modeller's Ruby API that the exporter package
# makes, behaving as that API is documented: lengths in inches, transformations as 16 values
# column by column, mesh indices from 1 (negative where the edge starting there is hidden),
# texture coordinates as UVQ. The modeller itself does not run here.
$LOADED_FEATURES.push('sketchup.rb', 'extensions.rb')
require 'set' # Ruby 2.7 sees features added while a file loads only at the next require
FILE_WRITE_OK = 0
FILE_WRITE_FAILED_INVALID_TYPE = 1
FILE_WRITE_FAILED_UNKNOWN = 2

module Geom
  Point3d = Vector3d = Struct.new(:x, :y, :z) do
    def distance(other)
      Math.sqrt(to_a.zip(other.to_a).sum { |a, b| (a - b)**2 })
    end
  end
  Transformation = Struct.new(:values) { alias_method :to_a, :values }

  PolygonMesh = Struct.new(:points, :normal, :uvqs, :polygons) do
    def count_points; points.size; end
    def count_polygons; polygons.size; end
    def point_at(i); at(points, i); end
    def normal_at(i); at(points, i) && normal; end
    def uv_at(i, front); front && at(uvqs, i); end
    def polygon_at(i); at(polygons, i); end
    def at(list, i); i.between?(1, list.size) ? list[i - 1] : raise(IndexError, "index #{i}"); end
  end
end

module Sketchup
  Color = Struct.new(:red, :green, :blue)
  Texture = Struct.new(:filename, :width, :height)
  Material = Struct.new(:name, :color, :alpha, :texture)
  Layer = Struct.new(:visible) { alias_method :visible?, :visible }
  ComponentDefinition = Struct.new(:name, :entities)
  View = Struct.new(:camera, :vpwidth, :vpheight)
  Model = Struct.new(:title, :path, :entities, :active_view, :active_path)
  UVHelper = Struct.new(:xs, :ys) do # the unwarped image spans the face's bounding box
    def get_front_UVQ(p)
      Geom::Point3d.new((p.x - xs[0]) / (xs[1] - xs[0]), (p.y - ys[0]) / (ys[1] - ys[0]), 1.0)
    end
  end

  Camera = Struct.new(:eye, :target, :up, :perspective?, :fov, :fov_is_height?, :height, :aspect_ratio) do
    def direction
      d = target.to_a.zip(eye.to_a).map { |t, e| t - e }
      Geom::Vector3d.new(*d.map { |c| c / Math.sqrt(d.sum { |v| v * v }) })
    end
  end

  # Groups, instances and faces, given by keyword: material, layer, hidden, name, entities,
  # definition, transformation; a face's corners (in the plane z = 0), triangles and q per
  # corner for a distorted texture.
  class Element
    attr_reader :material, :layer, :name, :entities, :definition, :transformation, :corners, :q
    attr_writer :material, :hidden

    def initialize(**fields)
      fields.each { |key, value| instance_variable_set(:"@#{key}", value) }
    end
    def hidden?; !!@hidden; end
  end
  Group = Class.new(Element)
  ComponentInstance = Class.new(Element)

  # A corner shared by the faces and edges that meet there.
  class Vertex
    attr_reader :position, :edges, :faces

    def initialize(position); @position, @edges, @faces = position, [], []; end

    def common_edge(other); edges.find { |edge| edge.vertices.include?(other) }; end
  end

  # Shared by the faces on both its sides; hard unless made smooth, as SketchUp's Soften Edges does.
  class Edge
    attr_reader :vertices, :faces
    attr_writer :smooth

    def initialize(*vertices)
      @vertices = vertices
      @faces = []
      vertices.each { |vertex| vertex.edges << self }
    end

    def smooth?; !!@smooth; end
  end

  # Painted textured faces have texture coordinates in texture repeats, the others in inches.
  # Given vertices (shared with other faces), the corners are theirs; else the face has its own.
  # Its edges are the mesh's shown ones, shared with a face that already runs along them.
  class Face < Element
    attr_reader :vertices, :edges

    def initialize(**fields)
      super
      @vertices ||= corners.map { |corner| Vertex.new(Geom::Point3d.new(*corner)) }
      @corners ||= @vertices.map { |vertex| vertex.position.to_a }
      @edges = @triangles.flat_map do |triangle|
        (0...3).select { |k| triangle[k].positive? }.map do |k|
          start, finish = @vertices.values_at(triangle[k] - 1, triangle[(k + 1) % 3].abs - 1)
          start.common_edge(finish) || Edge.new(start, finish)
        end
      end
      (@vertices + @edges).each { |element| element.faces << self }
    end

    # From the first triangle; + 0.0 leaves no negative zero.
    def normal
      @normal ||= begin
        a, b, c = @triangles.first.map { |index| corners[index.abs - 1] }
        u, v = [b, c].map { |p| p.zip(a).map { |pk, ak| pk - ak } }
        n = [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]]
        Geom::Vector3d.new(*n.map { |value| value / Math.sqrt(n.sum { |k| k * k }) + 0.0 })
      end
    end

    def mesh(flags)
      raise ArgumentError, "flags #{flags}" unless flags == 5

      texture = material&.texture
      uvqs = corners.each_with_index.map do |(x, y), i|
        w = q ? q[i] : 1.0
        texture ? Geom::Point3d.new(x / texture.width * w, y / texture.height * w, w) : Geom::Point3d.new(x, y, 1.0)
      end
      Geom::PolygonMesh.new(corners.map { |c| Geom::Point3d.new(*c) }, normal, uvqs, @triangles)
    end

    def get_UVHelper(front, _back, writer)
      front && writer && UVHelper.new(*corners.transpose.first(2).map(&:minmax))
    end
  end

  # One handle per material texture, and one per face with a distorted texture. It writes the
  # formats a file name's extension names, when it knows them; before_write (given the path) may
  # run something first, or answer :fail to have the write fail.
  class TextureWriter
    FORMATS = %w[.bmp .jpg .jpeg .png .tif .tiff].freeze

    class << self
      attr_accessor :before_write
    end

    def load(entity, front = nil)
      raise ArgumentError, 'a face needs its side' if entity.is_a?(Face) && front.nil?

      (@handles ||= {})[entity.q ? entity : entity.material] ||= @handles.size
    end

    def filename(handle)
      File.basename(@handles.key(handle).then { |k| k.is_a?(Face) ? k.material : k }.texture.filename)
    end

    def write(entity, *side, path)
      return FILE_WRITE_FAILED_UNKNOWN if TextureWriter.before_write&.call(path) == :fail
      return FILE_WRITE_FAILED_INVALID_TYPE unless FORMATS.include?(File.extname(path).downcase)

      File.binwrite(path, "image #{load(entity, *side)} of writer #{object_id}")
      FILE_WRITE_OK
    end
  end

  class << self
    attr_accessor :active_model, :status_text, :extensions, :platform, :defaults

    def create_texture_writer; TextureWriter.new; end
    def register_extension(extension, load); (self.extensions ||= []) << [extension, load]; end
    def read_default(section, key, default = nil); (defaults || {}).fetch([section, key], default); end
    def write_default(section, key, value); (self.defaults ||= {})[[section, key]] = value; end
  end
end

SketchupExtension = Struct.new(:name, :path, :description, :version, :creator, :copyright)

# Menus, toolbars and dialogs keep what the package put there and said.
module UI
  Command = Struct.new(:text, :block, :tooltip, :status_bar_text, :small_icon, :large_icon) do
    def initialize(text, &block); super(text, block); end
  end
  Menu = Struct.new(:name, :items) do
    def add_submenu(name); Menu.new(name, []).tap { |menu| items << menu }; end
    def add_item(command); items << command; end
  end
  Toolbar = Struct.new(:name) do
    def add_item(_command); end
    def restore; end
  end

  class << self
    attr_accessor :messages, :save_answer, :open_answer

    def menu(name); (@menus ||= {})[name] ||= Menu.new(name, []); end
    def messagebox(text); (self.messages ||= []) << text; end
    def savepanel(_title, _folder, name); save_answer.call(name); end
    def openpanel(_title, _folder, _name); open_answer; end
  end
end

def file_loaded?(name); ($vistrel_loaded ||= []).include?(name); end
def file_loaded(name); ($vistrel_loaded ||= []) << name; end
