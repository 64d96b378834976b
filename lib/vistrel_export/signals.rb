# frozen_string_literal: true

module VistrelExport
  # The command's signal handling. Ctrl-C is held back while a step that must not be cut in two
  # runs (the scene file's creation and the note of its path; the close and the note that the
  # scene is complete), so that what the command says afterwards is true. A file-size limit makes
  # writes fail with EFBIG, reported like a full disk, instead of killing the process unheard.
  module Signals
    @depth = 0
    @pending = false

    def self.install
      trap('INT') { @depth.positive? ? (@pending = true) : raise(Interrupt) }
      trap('XFSZ', 'IGNORE') if Signal.list.key?('XFSZ')
    end

    # Runs the block with Ctrl-C held back; an interrupt that came meanwhile is raised after it.
    # Without install (as in the tests) it just runs the block.
    def self.defer
      @depth += 1
      yield
    ensure
      @depth -= 1
      if @depth.zero? && @pending
        @pending = false
        raise Interrupt # rubocop:disable Lint/EnsureReturn -- the held-back interrupt wins
      end
    end
  end
end
