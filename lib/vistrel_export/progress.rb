# frozen_string_literal: true

module VistrelExport
  # Progress of a long export on standard error: percentage, triangles and elapsed seconds. On a
  # terminal the line is rewritten in place; elsewhere a line is printed every 10 percent.
  class Progress
    # Models below this many triangles finish too fast to need it.
    THRESHOLD = 100_000
    # Files below this size hold fewer triangles than that, at the usual 30 to 40 bytes a triangle.
    READ_THRESHOLD = 4_000_000
    INTERVAL = 0.2

    def initialize(io, clock: -> { Process.clock_gettime(Process::CLOCK_MONOTONIC) })
      @io = io
      @tty = io.tty?
      @clock = clock
      @start = clock.call
      @shown = false
    end

    # Reading: fraction of the file's bytes read so far.
    def reading(bytes, total_bytes)
      show('reading', bytes.fdiv(total_bytes), nil)
    end

    # Exporting: triangles handed to the exporter so far.
    def exporting(triangles, total_triangles)
      show('exporting', triangles.fdiv(total_triangles), triangles)
    end

    # Ends the progress line, so that what follows starts on a line of its own.
    def finish
      @io.print("\n") if @tty && @shown
      @shown = false
    end

    private

    def show(phase, fraction, triangles)
      percent = (fraction.clamp(0.0, 1.0) * 100).floor
      now = @clock.call
      return unless due?(phase, percent, now)

      text = format('%-9s %3d%%', phase, percent)
      text += "  #{triangles} triangles" if triangles
      text += format('  %.1f s', now - @start)
      if @tty
        @io.print("\r#{text}\e[K")
      else
        @io.puts(text)
      end
      @shown = true
      @last = [phase, percent, now]
    end

    def due?(phase, percent, now)
      return true unless @last && @last[0] == phase
      return now - @last[2] >= INTERVAL || percent == 100 && @last[1] != 100 if @tty

      percent / 10 > @last[1] / 10
    end
  end
end
