# frozen_string_literal: true

require_relative 'error'

module VistrelExport
  # The view the scene opens with. By default it looks at the centre of the model's bounding box
  # from the front, right and above: 30 degrees to the right of the front (+Z for a model whose
  # up is +Y) and 25 degrees up, far enough back that the box's bounding sphere fits in the field
  # of view. Eye, target, up and field of view can each be given instead.
  class Camera
    # Field of view in degrees, as the renderer's camera takes it.
    DEFAULT_FOV = 45.0
    DEFAULT_UP = [0.0, 1.0, 0.0].freeze
    AZIMUTH = 30.0
    ELEVATION = 25.0
    # Room left around the bounding sphere.
    MARGIN = 1.05
    # The scene's numbers are 4-byte floats.
    FLOAT_MAX = 3.4028234663852886e38

    attr_reader :eye, :target, :fov

    # bounds is [min, max] or nil for an empty model.
    def initialize(bounds, eye: nil, target: nil, up: nil, fov: nil)
      @fov = fov || DEFAULT_FOV
      raise UsageError, "--fov must lie between 0 and 180 degrees, got #{@fov}" unless @fov.positive? && @fov < 180

      @world_up = normalize(up || DEFAULT_UP, '--up')
      centre, radius = sphere(bounds)
      @target = target || centre
      @eye = eye || add(@target, scale(default_offset, radius * MARGIN / Math.sin(radians(@fov) / 2)))
      check_range
      raise UsageError, 'the eye and the target are the same point' if length(sub(@target, @eye)).zero?
      raise UsageError, 'the up direction is parallel to the view direction' if up_vector.nil?
    end

    # Unit vector from the eye to the target.
    def direction
      normalize(sub(@target, @eye))
    end

    # The up direction made square to the view direction; nil when they are parallel.
    def up_vector
      d = direction
      u = sub(@world_up, scale(d, dot(@world_up, d)))
      length(u) < 1e-9 ? nil : normalize(u)
    end

    private

    def check_range
      values = @eye + @target + sub(@target, @eye)
      return if values.all? { |v| v.abs <= FLOAT_MAX } && length(sub(@target, @eye)).finite?

      raise UsageError, 'the camera lies beyond the range of the scene\'s numbers; give smaller --eye or --target values'
    end

    # Unit vector from the target towards the default eye.
    def default_offset
      front = sub([0.0, 0.0, 1.0], scale(@world_up, @world_up[2]))
      front = sub([0.0, -1.0, 0.0], scale(@world_up, -@world_up[1])) if length(front) < 1e-6
      front = normalize(front)
      right = cross(@world_up, front)
      az = radians(AZIMUTH)
      el = radians(ELEVATION)
      horizontal = add(scale(front, Math.cos(az)), scale(right, Math.sin(az)))
      add(scale(horizontal, Math.cos(el)), scale(@world_up, Math.sin(el)))
    end

    def sphere(bounds)
      return [[0.0, 0.0, 0.0], 1.0] unless bounds

      min, max = bounds
      radius = length(sub(max, min)) / 2
      [scale(add(min, max), 0.5), radius.positive? ? radius : 1.0]
    end

    def radians(degrees)
      degrees * Math::PI / 180
    end

    def add(a, b)
      [a[0] + b[0], a[1] + b[1], a[2] + b[2]]
    end
    def sub(a, b)
      [a[0] - b[0], a[1] - b[1], a[2] - b[2]]
    end
    def scale(a, s)
      [a[0] * s, a[1] * s, a[2] * s]
    end
    def dot(a, b)
      a[0] * b[0] + a[1] * b[1] + a[2] * b[2]
    end
    def length(a)
      Math.sqrt(dot(a, a))
    end

    def cross(a, b)
      [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]
    end

    def normalize(a, what = 'vector')
      l = length(a)
      raise UsageError, "#{what} must not be zero" unless l.positive?

      scale(a, 1.0 / l)
    end
  end
end
