# frozen_string_literal: true

module VistrelExporter
  # The scene camera from the modeller's current view, in model units (inches).
  #
  # The renderer's camera takes a vertical field of view in degrees and knows perspective only:
  # - a perspective view gives its fov, turned into the vertical angle through the aspect ratio
  #   when the view measures it horizontally (fov_is_height? false);
  # - a parallel projection is matched by a perspective camera at the same eye that shows the
  #   view's height (in inches) at the target's distance.
  # The aspect ratio (the camera's own, else the view's) goes along as open_file's seventh value,
  # which the extension does not use.
  class ViewCamera
    # The modeller's own default, for the rare view whose target is its eye.
    FALLBACK_FOV = 35.0

    attr_reader :eye, :direction, :up, :fov, :aspect_ratio

    def initialize(view)
      camera = view.camera
      @eye = camera.eye.to_a
      @direction = camera.direction.to_a
      @up = camera.up.to_a
      @aspect_ratio = camera.aspect_ratio.to_f
      @aspect_ratio = view.vpwidth.to_f / view.vpheight if @aspect_ratio <= 0 && view.vpheight.positive?
      @fov = camera.perspective? ? perspective_fov(camera) : parallel_fov(camera)
    end

    private

    def perspective_fov(camera)
      return camera.fov.to_f if camera.fov_is_height? || @aspect_ratio <= 0

      degrees(2 * Math.atan(Math.tan(radians(camera.fov) / 2) / @aspect_ratio))
    end

    def parallel_fov(camera)
      distance = camera.eye.distance(camera.target).to_f
      return FALLBACK_FOV unless distance.positive?

      degrees(2 * Math.atan(camera.height.to_f / 2 / distance))
    end

    def radians(degrees)
      degrees * Math::PI / 180
    end

    def degrees(radians)
      radians * 180 / Math::PI
    end
  end
end
