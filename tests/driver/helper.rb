# frozen_string_literal: true

require 'minitest/autorun'
require 'tmpdir'
require_relative '../../lib/vistrel_export'

# Stands in for the extension's SketchupExporter: records every call with its arguments.
class RecordingExporter
  attr_reader :calls
  attr_accessor :output_path

  def initialize(fail_on: nil, error: VistrelExport::Error.new('disk full'))
    @calls = []
    @fail_on = fail_on
    @error = error
  end

  %i[open_file begin_group add_faces2 end_group close_file run_vistrel].each do |name|
    define_method(name) do |*arguments|
      @calls << [name, *arguments]
      @output_path = arguments[1] if name == :open_file && arguments[7]
      raise @error if name == @fail_on
    end
  end

  def names
    @calls.map(&:first)
  end

  # add_faces2 calls as Hashes of their arguments.
  def meshes
    @calls.select { |c| c.first == :add_faces2 }.map do |c|
      %i[num_vertices num_faces vs fs ns uvs material texture r g b a].zip(c.drop(1)).to_h
    end
  end
end

module DriverTestHelper
  def setup
    @dir = Dir.mktmpdir('vistrel-driver-test')
    @warnings = []
  end

  def teardown
    FileUtils.chmod_R(0o700, @dir)
    FileUtils.remove_entry(@dir)
  end

  # Writes the files named in the Hash into the test folder; returns the path of the first.
  def write_files(files)
    files.map do |name, text|
      path = File.join(@dir, name)
      File.binwrite(path, text)
      path
    end.first
  end

  def read_obj(text, mtl: nil, extra: {})
    files = { 'model.obj' => text }
    files['model.mtl'] = mtl if mtl
    path = write_files(files.merge(extra))
    VistrelExport::ObjReader.new(warn: ->(w) { @warnings << w }).read(path)
  end

  def assert_error(pattern_or_text, &block)
    error = assert_raises(VistrelExport::Error, &block)
    if pattern_or_text.is_a?(Regexp)
      assert_match pattern_or_text, error.message
    else
      assert_equal pattern_or_text, error.message
    end
  end
end
