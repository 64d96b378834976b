# frozen_string_literal: true

module VistrelExporter
  # Export progress in the status bar, for models large enough to keep the user waiting.
  class Progress
    LARGE = 5_000

    def initialize(total)
      @total = total
      @done = 0
      @shown = -1
    end

    def step
      @done += 1
      return if @total < LARGE

      percent = @done * 100 / @total
      return if percent == @shown

      @shown = percent
      Sketchup.status_text = "Vistrel export: #{percent}% (#{@done} of #{@total} faces)"
    end
  end
end
