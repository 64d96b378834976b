# frozen_string_literal: true

# Base of the extension's tests:  ruby -I <build>/lib tests/ruby/test_surface.rb
# With VISTREL_GC_STRESS=1 every test runs between full collections and with GC.stress on, so an
# object the wrapper frees too early or keeps too long shows up; `light_gc` tests skip GC.stress.

require 'minitest/autorun'
require 'fileutils'
require 'tmpdir'
require 'vistrel_sketchup_plugin'

class VistrelTestCase < Minitest::Test
  include Vistrel_sketchup_plugin

  GC_STRESS = ENV['VISTREL_GC_STRESS'] == '1'
  DATA_DIR = File.join(__dir__, 'data')
  # Where the extension was loaded from, for child interpreters.
  LIBRARY_DIR = File.dirname($LOADED_FEATURES.grep(/vistrel_sketchup_plugin/).first)

  def self.light_gc(*names)
    (@light_gc ||= []).concat(names.map(&:to_s))
  end

  def before_setup
    super
    GC.start if GC_STRESS
    GC.stress = GC_STRESS && !(self.class.instance_variable_get(:@light_gc) || []).include?(name)
  end

  # Windows deletes no open file, nor its folder: a scene a test left open is closed first (one
  # whose exporter a test re-initialised stays open until the process ends).
  def after_teardown
    GC.stress = false
    GC.compact if GC_STRESS && GC.respond_to?(:compact)
    (@exporter&.close_file rescue nil) if Gem.win_platform? # rubocop:disable Style/RescueModifier
    Gem.win_platform? ? FileUtils.rm_rf(@folder) : FileUtils.remove_entry(@folder) if @folder
    super
  end

  # A fresh folder for the test's files, removed afterwards.
  def folder
    @folder ||= Dir.mktmpdir('vistrel-ruby-test')
  end

  # Asserts that the block raises exactly error_class with exactly text.
  def assert_raises_with(error_class, text, &block)
    error = assert_raises(Exception, &block)
    assert_equal [error_class, text], [error.class, error.message]
  end

  # Asserts each row [error_class, text, call] as assert_raises_with does.
  def assert_refusals(rows)
    rows.each { |error_class, text, call| assert_raises_with(error_class, text, &call) }
  end

  # The wrapper's conversion failure text.
  def refused(position, type_word, value_text, method)
    "Expected argument #{position} of type #{type_word}, but got #{value_text}\n\tin SWIG method '#{method}'"
  end

  # The 12 arguments of add_faces for one triangle, with overrides by position (1-based).
  def face_args(overrides = {})
    triangle = [0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0]
    with([3, 1, triangle, [1, 2, 3], [0.0, 0.0, 1.0] * 3, triangle, 'brick', '', 255, 128, 0, 1.0], overrides)
  end

  # The 8 arguments of open_file writing to path.
  def open_args(path, overrides = {})
    with(['model', path, [1.0, 2.0, 3.0], [0.0, 1.0, 0.0], [0.0, 0.0, 1.0], 45.0, 0.0, true], overrides)
  end

  # A float array element whose conversion (to_f) runs the block first.
  def element(&action)
    Object.new.tap { |o| o.define_singleton_method(:to_f) { action.call.then { 1.0 } } }
  end

  def with(args, overrides)
    args.tap { overrides.each { |position, value| args[position - 1] = value } }
  end
end
