# frozen_string_literal: true

require_relative 'helper'

class CameraTest < Minitest::Test
  Camera = VistrelExport::Camera
  BOX = [[-1.0, 0.0, -2.0], [3.0, 2.0, 2.0]].freeze # centre (1, 1, 0), radius 3

  def assert_vector(expected, actual, delta = 1e-12)
    assert_equal 3, actual.size
    expected.zip(actual).each { |e, a| assert_in_delta e, a, delta, "#{expected} vs #{actual}" }
  end

  def rad(degrees) = degrees * Math::PI / 180

  def test_default_view_from_front_right_above_fits_the_bounding_sphere
    camera = Camera.new(BOX)
    distance = 3 * 1.05 / Math.sin(rad(22.5))
    offset = [Math.cos(rad(25)) * Math.sin(rad(30)), Math.sin(rad(25)), Math.cos(rad(25)) * Math.cos(rad(30))]
    assert_vector [1.0, 1.0, 0.0], camera.target
    assert_vector offset.map { |c| -c }, camera.direction
    assert_vector [1 + distance * offset[0], 1 + distance * offset[1], distance * offset[2]], camera.eye
    assert_in_delta 0.0, camera.up_vector.zip(camera.direction).sum { |a, b| a * b }, 1e-12
    assert_operator camera.up_vector[1], :>, 0.9
    assert_equal 45.0, camera.fov
  end

  def test_z_up_models_are_seen_from_minus_y
    camera = Camera.new(BOX, up: [0, 0, 2])
    assert_vector [-Math.cos(rad(25)) * Math.sin(rad(30)), Math.cos(rad(25)) * Math.cos(rad(30)), -Math.sin(rad(25))],
                  camera.direction
  end

  def test_given_eye_target_and_fov
    camera = Camera.new(BOX, eye: [1.0, 1.0, 10.0], fov: 30.0)
    assert_vector [0.0, 0.0, -1.0], camera.direction
    assert_vector [0.0, 1.0, 0.0], camera.up_vector
    camera = Camera.new(nil, target: [5.0, 0.0, 0.0], fov: 60.0)
    assert_in_delta 1.05 / Math.sin(rad(30)), Math.sqrt(camera.eye.zip(camera.target).sum { |a, b| (a - b)**2 }), 1e-12
  end

  def test_impossible_views_are_refused
    {
      { fov: 0.0 } => '--fov must lie between 0 and 180 degrees, got 0.0',
      { fov: 180.0 } => '--fov must lie between 0 and 180 degrees, got 180.0',
      { eye: [1.0, 1.0, 0.0] } => 'the eye and the target are the same point',
      { eye: [1.0, 5.0, 0.0] } => 'the up direction is parallel to the view direction',
      { up: [0, 0, 0] } => '--up must not be zero'
    }.each do |options, message|
      error = assert_raises(VistrelExport::UsageError) { Camera.new(BOX, **options) }
      assert_equal message, error.message
    end
  end
end
