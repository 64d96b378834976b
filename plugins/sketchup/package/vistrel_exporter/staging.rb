# frozen_string_literal: true

require 'digest'
require 'tmpdir'

module VistrelExporter
  # Names of one export's own: a file or folder beside the one it will replace, created
  # exclusively (<path>.<random>.part), so that no other export, and nothing planted there, is
  # ever written through; and a lock that lets concurrent exports put their results in place
  # one at a time.
  module Staging
    # A new, empty file beside path; IOError naming path when the folder refuses it.
    def self.file(path, what)
      fresh(path, what) { |candidate| new_file(candidate) }
    end

    # Puts a new, empty file at path in place of whatever is there (a link itself goes, never
    # what it points to), for a writer that would write through a link.
    def self.own_file(path, what)
      begin
        File.delete(path)
      rescue Errno::ENOENT
        nil
      end
      new_file(path)
    rescue SystemCallError => e
      raise IOError, refused(what, path, e)
    end

    def self.folder(path, what)
      fresh(path, what) { |candidate| Dir.mkdir(candidate) }
    end

    # Runs the block holding the lock of path, which the system releases should the modeller end
    # meanwhile. Locks live in the temporary folder, keyed by the real path.
    def self.locked(path)
      key = Digest::SHA256.hexdigest(File.realpath(path))[0, 24]
      flags = File::RDWR | File::CREAT
      flags |= File::NOFOLLOW if File.const_defined?(:NOFOLLOW)
      File.open(File.join(Dir.tmpdir, "vistrel-#{key}.lock"), flags, 0o600) do |lock|
        lock.flock(File::LOCK_EX)
        yield
      end
    end

    def self.fresh(path, what)
      100.times do
        candidate = format('%<path>s.%<tag>06x.part', path: path, tag: rand(0x1000000))
        begin
          yield candidate
          return candidate
        rescue Errno::EEXIST
          next
        rescue SystemCallError => e
          raise IOError, refused(what, path, e)
        end
      end
      raise IOError, "cannot open #{what} #{path}: no free name for its staging copy"
    end

    def self.new_file(path)
      File.open(path, File::WRONLY | File::CREAT | File::EXCL) { nil }
    end

    # The OS error's own text, without Ruby's note of the call and path.
    def self.refused(what, path, error, verb = 'open')
      "cannot #{verb} #{what} #{path}: #{SystemCallError.new(nil, error.errno).message}"
    end
  end
end
