# frozen_string_literal: true

require 'minitest/autorun'
require 'tmpdir'
require_relative '../../lib/vistrel_export'

# Stands in for the extension's SketchupExporter: records every call with its arguments.
class RecordingExporter
  attr_reader :calls, :output_path

  def initialize(fail_on: nil, error: VistrelExport::Error.new('disk full'))
    @calls = []
    @fail_on = fail_on
    @error = error
  end

  %i[open_file begin_group add_faces2 end_group close_file run_vistrel].each do |name|
    define_method(name) do |*arguments|
      @calls << [name, *arguments.map { |a| a.is_a?(Array) ? a.dup : a }] # the driver clears its arrays
      @output_path = arguments[1] if name == :open_file && arguments[7]
      raise @error if name == @fail_on
    end
  end

  def names = @calls.map(&:first)
end

module DriverTestHelper
  def setup
    @dir = Dir.mktmpdir('vistrel-driver-test')
    @warnings = []
  end

  def teardown
    FileUtils.remove_entry(@dir)
  end

  # Writes the files named in the Hash into the test folder; returns the path of the first.
  def write_files(files)
    files.map { |name, text| File.join(@dir, name).tap { |path| File.binwrite(path, text) } }.first
  end

  def read_obj(text, mtl: nil)
    path = write_files({ 'model.obj' => text, 'model.mtl' => mtl }.compact)
    VistrelExport::ObjReader.new(warn: ->(w) { @warnings << w }).read(path)
  end

  # The meshes a model hands over, each with its group's name.
  def meshes(model)
    group = []
    found = []
    model.hand_over do |kind, *args|
      case kind
      when :begin_group then group.push(args[0])
      when :end_group then group.pop
      else found << %i[material vertices triangles vs fs ns uvs].zip(args).to_h.merge(group: group.last)
      end
    end
    found
  end

  def read_mtl(text, extra = {})
    path = write_files({ 'm.mtl' => text }.merge(extra))
    VistrelExport::MtlReader.new(warn: ->(w) { @warnings << w }).read(path)
  end

  def assert_error(message, &block)
    assert_equal message, assert_raises(VistrelExport::Error, &block).message
  end
end
