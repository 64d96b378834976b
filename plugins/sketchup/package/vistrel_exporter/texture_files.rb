# frozen_string_literal: true

require 'fileutils'
require_relative 'staging'

module VistrelExporter
  # The folder of texture images beside a scene: <scene without .vsf>_textures/. Images are
  # numbered in the order written so that equal file names of different materials never meet.
  # Paths go to the extension in full, since the renderer runs in its own working folder; the
  # extension keeps 255 bytes of a texture path, so image names are shortened to fit.
  #
  # An export writes its images into a staging folder of its own and moves them into place only
  # when the scene is complete, so that a failed export leaves an earlier one whole, and two
  # exports to one scene never write over each other's images.
  class TextureFiles
    MAX_PATH_BYTES = 255
    NAME_BYTES = 100 # of an image name without its extension; file systems allow 255
    # What the texture writer writes (it writes the format the extension names); other images
    # are written as PNG.
    WRITABLE = %w[.png .jpg .jpeg .bmp .tif .tiff].freeze

    attr_reader :folder, :warnings

    def initialize(scene_path)
      @folder = native(scene_path.sub(/\.vsf\z/i, '') + '_textures')
      @staging = nil
      @images = [] # [path written, path once in place]
      @warnings = []
    end

    # Writes one image through the block (given the path to write); returns the path the image
    # has in the scene.
    def write(label, image_name, &block)
      name = file_name(label, image_name)
      final = native(File.join(@folder, name))
      @staging ||= Staging.folder(@folder, 'texture folder')
      written = native(File.join(@staging, name))
      @images << [written, final]
      result = block.call(written)
      raise IOError, "cannot write the texture of #{label} to #{final}" unless result == FILE_WRITE_OK

      final
    end

    # Moves the images into the folder, then yields to put the scene in place: under a lock, so
    # that concurrent exports to one scene commit one after the other and the last one has all
    # of its images. Should anything fail, the images replaced are put back.
    def commit(&put_scene)
      return yield if @images.empty?

      FileUtils.mkdir_p(@folder)
      Staging.locked(@folder) { move_into_place(&put_scene) }
      remove
    end

    # Removes what this export staged; what is in the folder already is not touched.
    def remove
      FileUtils.remove_entry(@staging) if @staging && File.directory?(@staging)
      @staging = nil
    rescue SystemCallError
      nil # a staging folder left over harms nothing; the export's outcome stands
    end

    private

    def move_into_place
      placed = []
      @images.each_with_index do |(written, final), index|
        # A folder in the way stays, and the move fails.
        replaced = File.file?(final) || File.symlink?(final) ? File.join(@staging, "replaced #{index}") : nil
        begin
          File.rename(final, replaced) if replaced
          placed << [final, replaced]
          File.rename(written, final)
        rescue SystemCallError => e # a folder in the way, or an image the renderer holds open
          raise IOError, Staging.refused('texture', final, e, 'replace')
        end
      end
      yield
    rescue Exception # also on Interrupt: the earlier export's images go back
      placed.reverse_each { |final, replaced| put_back(final, replaced) }
      raise
    end

    def put_back(final, replaced)
      File.delete(final) if File.file?(final)
      File.rename(replaced, final) if replaced
    rescue SystemCallError
      nil # the failure that started this is the one to report
    end

    # NNN_<image name>, cleaned of what file systems refuse (and of bytes that are not UTF-8),
    # shortened to fit, with an extension the texture writer can write.
    def file_name(label, image_name)
      name = image_name.to_s.dup.force_encoding(Encoding::UTF_8).scrub('_')
      name = File.basename(name.tr('\\', '/')).gsub(%r{[<>:"/|?*\x00-\x1f]}, '_')
      extension = File.extname(name)
      extension = '' if extension == '.'
      stem = name.chomp(extension)
      stem = 'texture' if stem.empty?
      extension = writable(label, name, extension)
      prefix = format('%03d_', @images.size + 1)
      room = MAX_PATH_BYTES - File.join(@folder, prefix).bytesize - extension.bytesize
      stem = stem.byteslice(0, [room, NAME_BYTES].min).scrub('') if room.positive?
      if room < 1 || stem.empty?
        raise IOError, "the texture folder #{@folder} leaves no room for image names within " \
                       "#{MAX_PATH_BYTES} bytes; save the scene in a folder with a shorter path"
      end
      prefix + stem + extension
    end

    def writable(label, name, extension)
      return extension if WRITABLE.include?(extension.downcase)
      return '.png' if extension.empty?

      @warnings << "the texture of #{label} (#{name}) is written as PNG: SketchUp cannot write " \
                   "#{extension} images"
      '.png'
    end

    # One kind of separator on Windows.
    def native(path)
      File::ALT_SEPARATOR ? path.tr('/', File::ALT_SEPARATOR) : path
    end
  end
end
