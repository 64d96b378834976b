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

  # The groups and meshes as text: "name {" ... "(material)" ... "}".
  def tree
    @calls.filter_map { |name, *a| { begin_group: "#{a[0]} {", end_group: '}', add_faces2: "(#{a[6]})" }[name] }.join(' ')
  end

  def meshes
    @calls.select { |c| c[0] == :add_faces2 }.map { |c| %i[vertices triangles vs fs ns uvs material texture r g b a].zip(c.drop(1)).to_h }
  end
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

  # Reads an OBJ model in chunks of a few bytes (lines span chunks) and exports it to a
  # recording exporter, which it returns.
  def export_obj(text, mtl: nil)
    path = write_files({ 'model.obj' => text, 'model.mtl' => mtl }.compact)
    model = VistrelExport::ObjReader.new(warn: ->(w) { @warnings << w }, chunk_bytes: 5).read(path)
    RecordingExporter.new.tap { |e| VistrelExport::Driver.new(e).export(model, VistrelExport::Camera.new(model.bounds), nil) }
  end

  def read_mtl(text, extra = {})
    path = write_files({ 'm.mtl' => text }.merge(extra))
    VistrelExport::MtlReader.new(warn: ->(w) { @warnings << w }).read(path)
  end

  def assert_error(message, &block)
    assert_equal message, assert_raises(VistrelExport::Error, &block).message
  end
end
