# frozen_string_literal: true

# Loaded by the modeller when the extension is enabled: the native library, then the menu items
# and the toolbar. Without a library that loads, the commands are installed all the same and
# explain the problem when clicked; the Ruby Console gets it at once.
require_relative 'native_library'
require_relative 'commands'

problem = VistrelExporter::NativeLibrary.load
warn "Vistrel exporter: #{problem}" if problem
VistrelExporter::Commands.install
