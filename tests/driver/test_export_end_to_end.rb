# frozen_string_literal: true

require 'open3'
require_relative 'helper'

# Runs bin/vistrel-export with the built extension, as a user does.
class ExportEndToEndTest < Minitest::Test
  include DriverTestHelper

  BIN = File.expand_path('../../bin/vistrel-export', __dir__)
  EXTENSION_DIR = ENV['VISTREL_EXTENSION_DIR'].to_s

  def setup
    super
    skip "the extension is not built in #{EXTENSION_DIR.inspect}" unless File.directory?(EXTENSION_DIR)
    # No renderer configuration from the machine running the tests.
    @env = { 'VISTREL_EXTENSION_DIR' => EXTENSION_DIR, 'TMPDIR' => @dir,
             'XDG_CONFIG_HOME' => File.join(@dir, 'config'), 'XDG_CONFIG_DIRS' => File.join(@dir, 'etc') }
  end

  def export(*argv, env: @env, bin: BIN)
    Open3.capture3(env, RbConfig.ruby, bin, *argv)
  end

  def test_sample_scene_written_to_a_file_and_to_standard_output_and_a_failed_write
    path = File.join(@dir, 'room.vsf')
    out, err, status = export('-o', path)
    assert status.success?, err
    assert_match(/\Aroom: 10 groups, 8 meshes, 404 triangles -> #{Regexp.escape(path)} \(\d+\.\d KB\) in \d+\.\d\d s\n\z/, out)
    piped, err, status = export('-o', '-')
    assert status.success?, err
    assert_equal File.binread(path), piped.b, 'the same scene on standard output'
    assert_match(/\Aroom: 10 groups, 8 meshes, 404 triangles -> - in /, err)
    # A failed write gives a message and no backtrace.
    _out, err, status = export('-o', '/dev/full')
    assert_equal 1, status.exitstatus
    assert_equal "vistrel-export: cannot write scene file /dev/full: No space left on device\n", err
    # So does a file-size limit, and the partial file goes.
    _out, err, status = Open3.capture3(@env, RbConfig.ruby, BIN, '-o', path, rlimit_fsize: 4096)
    assert_equal [1, "vistrel-export: cannot write scene file #{path}: File too large\n"], [status.exitstatus, err]
    refute File.exist?(path)
  end
end
