# frozen_string_literal: true

module VistrelExport
  # A failure the user can act on: the command prints the message and exits non-zero, with no
  # backtrace. Messages name the file and, where there is one, the line.
  class Error < StandardError
    # Exit status the command returns for this failure.
    def status
      1
    end
  end

  # A wrong command line; the command adds a hint to --help.
  class UsageError < Error
    def status
      2
    end
  end

  # Texts read from model files are bytes; this makes them printable on one line of a message.
  def self.printable(text)
    text.to_s.dup.force_encoding(Encoding::UTF_8).scrub('?').gsub(/[\x00-\x08\x0a-\x1f\x7f]/, '?')
  end
end
