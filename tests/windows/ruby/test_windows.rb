# frozen_string_literal: true

require_relative '../../ruby/helper'
require_relative '../../ruby/export_scene'

# What only a Windows Ruby sees: the renderer found through the registry and started by the
# shell, and the system's own error texts. scripts/windows-ruby-test.sh runs this under Wine,
# with the stand-in renderer installed in a folder with blanks and registered.
class TestWindows < VistrelTestCase
  KEY = 'HKLM\SOFTWARE\Tavren\Vistrel'

  def setup
    @exporter = SketchupExporter.new
    @report = ENV['VISTREL_STANDIN_REPORT'] = File.join(folder, 'launched.txt')
  end

  def teardown
    ENV.delete('VISTREL_STANDIN_REPORT')
  end

  # A string value of the renderer's key, as reg.exe lists it.
  def registry(name)
    IO.popen(['reg', 'query', KEY, '/v', name], err: File::NULL, &:read)[/#{name}\s+REG_SZ\s+(.*?)\r?$/, 1]
  end

  def set_registry(name, value)
    system('reg', 'add', KEY, '/v', name, '/t', 'REG_SZ', '/d', value, '/f', out: File::NULL, exception: true)
  end

  # The scene path is one argument although it has blanks and characters beyond any code page.
  def test_run_vistrel_starts_the_registered_renderer_on_the_scene
    scene = File.join(folder, 'my scène €.vsf')
    ExportScene.run(@exporter, scene)
    @exporter.run_vistrel
    500.times { File.exist?(@report) ? break : sleep(0.02) }
    launched = File.read(@report, encoding: Encoding::UTF_8).lines(chomp: true)
    assert_equal [registry('BinFolder'), registry('BinName'), '-import2', scene], launched
  end

  # The system's text for an error code, as the C++ library gives it: without the full stop.
  def system_text(code) = SystemCallError.new(nil, code).message.chomp('.')

  ERROR_DIRECTORY = 267

  def test_failures_carry_the_system_texts
    ExportScene.run(@exporter, File.join(folder, 'scene.vsf'))
    program, bin_folder = registry('BinName'), registry('BinFolder')
    set_registry('BinFolder', program)
    assert_raises_with(RuntimeError, "cannot start renderer #{program} in #{program}: " \
                                     "#{system_text(ERROR_DIRECTORY)}") { @exporter.run_vistrel }
    refute File.exist?(@report)

    temporary = "#{folder.tr('/', '\\')}\\gone"
    previous, ENV['TMP'] = ENV.fetch('TMP', nil), temporary
    assert_raises_with(IOError, "cannot create a temporary scene file in #{temporary}: " \
                                "#{system_text(ERROR_DIRECTORY)}") do
      @exporter.open_file(*open_args('ignored.vsf', 8 => false))
    end
  ensure
    set_registry('BinFolder', bin_folder) if bin_folder
    ENV['TMP'] = previous if temporary
  end
end
