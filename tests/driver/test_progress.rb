# frozen_string_literal: true

require 'stringio'
require_relative 'helper'

class ProgressTest < Minitest::Test
  def progress(tty)
    @time = 0.0
    @io = StringIO.new
    @io.define_singleton_method(:tty?) { tty }
    VistrelExport::Progress.new(@io, clock: -> { @time })
  end

  def test_a_terminal_gets_one_line_rewritten_in_place
    meter = progress(true)
    [[100, 0.5], [200, 0.6], [500, 0.8], [1000, 0.85]].each do |done, time|
      @time = time
      meter.exporting(done, 1000)
    end
    meter.finish
    # The update at 0.6 s comes too soon after the one at 0.5 s; 100% is always shown.
    assert_equal "\rexporting  10%  100 triangles  0.5 s\e[K\rexporting  50%  500 triangles  0.8 s\e[K" \
                 "\rexporting 100%  1000 triangles  0.8 s\e[K\n", @io.string
  end

  def test_a_log_gets_a_line_every_ten_percent
    meter = progress(false)
    (0..40).each do |megabytes|
      @time = megabytes / 10.0
      meter.reading(megabytes, 40)
    end
    meter.finish
    lines = @io.string.lines
    assert_equal 11, lines.size
    assert_equal "reading     0%  0.0 s\n", lines.first
    assert_equal "reading   100%  4.0 s\n", lines.last
  end
end
