# frozen_string_literal: true

# Loaded by the modeller when the extension is enabled: the native library first, then the
# menu items and the toolbar. Without a matching library the user is told why, and nothing else
# is installed.
require_relative 'native_library'

begin
  VistrelExporter::NativeLibrary.load
rescue LoadError => e
  UI.messagebox(e.message)
else
  require_relative 'commands'
  VistrelExporter::Commands.install
end
