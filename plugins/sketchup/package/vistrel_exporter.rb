# frozen_string_literal: true

# Registers the Vistrel exporter with the modeller. The code and the native libraries live in the
# folder beside this file; the modeller loads vistrel_exporter/loader.rb when the extension is on.
require 'sketchup.rb'
require 'extensions.rb'

module VistrelExporter
  EXTENSION = SketchupExtension.new('Vistrel Exporter', 'vistrel_exporter/loader')
  EXTENSION.description = 'Exports the open model (geometry, groups, materials, textures and ' \
                          'the current view) to a Vistrel scene file and starts the Vistrel ' \
                          'renderer on it.'
  EXTENSION.version = '1.0.0'
  EXTENSION.creator = 'Vistrel exporter developers'
  EXTENSION.copyright = '2026, Vistrel exporter developers'
  Sketchup.register_extension(EXTENSION, true)
end
