# frozen_string_literal: true

# Exports Wavefront OBJ models to Vistrel scene files through the vistrel_sketchup_plugin
# extension; see bin/vistrel-export.
require_relative 'vistrel_export/cli'
