# frozen_string_literal: true

module VistrelExporter
  # The folder of texture images beside a scene: <scene without .vsf>_textures/. Images are
  # numbered in the order written so that equal file names of different materials never meet.
  # Paths go to the extension in full, since the renderer runs in its own working folder; the
  # extension keeps 255 bytes of a texture path, so a longer one is refused rather than cut.
  class TextureFiles
    MAX_PATH_BYTES = 255

    attr_reader :folder, :written

    def initialize(scene_path)
      @folder = scene_path.sub(/\.vsf\z/i, '') + '_textures'
      @written = []
      @created_folder = false
    end

    # Writes one image through the block (given the full path); returns that path.
    def write(label, file_name, &block)
      path = File.join(@folder, format('%03d_%s', @written.size + 1, safe(file_name)))
      path = path.tr('/', File::ALT_SEPARATOR) if File::ALT_SEPARATOR # one kind of separator on Windows
      if path.bytesize > MAX_PATH_BYTES
        raise IOError, "texture path #{path} is longer than #{MAX_PATH_BYTES} bytes; " \
                       'save the scene in a folder with a shorter path'
      end
      make_folder
      @written << path
      result = block.call(path)
      raise IOError, "cannot write the texture of #{label} to #{path}" unless result == FILE_WRITE_OK

      path
    end

    # After a failed export: the images written, and the folder if this export made it.
    def remove
      @written.each { |path| File.delete(path) if File.file?(path) }
      Dir.rmdir(@folder) if @created_folder && Dir.exist?(@folder) && Dir.empty?(@folder)
    end

    private

    def make_folder
      return if Dir.exist?(@folder)

      Dir.mkdir(@folder)
      @created_folder = true
    end

    # The image's own file name, without folders and without characters file systems refuse.
    def safe(file_name)
      name = File.basename(file_name.to_s.tr('\\', '/')).gsub(/[<>:"|?*\x00-\x1f]/, '_')
      name = 'texture.png' if name.empty?
      File.extname(name).empty? ? "#{name}.png" : name
    end
  end
end
