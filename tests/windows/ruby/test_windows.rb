# frozen_string_literal: true

require_relative '../../ruby/helper'
require_relative '../../ruby/export_scene'

# What only a Windows Ruby sees: the renderer found through the registry and started by the
# shell, and the system's own error texts. scripts/windows-ruby-test.sh runs this under Wine,
# with the stand-in renderer installed in a folder with blanks and registered.
class TestWindows < VistrelTestCase
  KEY = 'HKLM\SOFTWARE\Tavren\Vistrel'
  ERROR_DIRECTORY = 267

  def setup
    @exporter = SketchupExporter.new
    @temporary = ENV.fetch('TMP')
    @report = ENV['VISTREL_STANDIN_REPORT'] = File.join(folder, 'launched.txt')
    @program, @bin_folder = %w[BinName BinFolder].map do |name|
      IO.popen(['reg', 'query', KEY, '/v', name], &:read)[/#{name}\s+REG_SZ\s+(.*?)\r?$/, 1]
    end
  end

  def teardown
    system('reg', 'add', KEY, '/v', 'BinFolder', '/d', @bin_folder, '/f', out: File::NULL, exception: true)
    ENV.delete('VISTREL_STANDIN_REPORT')
    ENV['TMP'] = @temporary
  end

  # The system's text for an error code, as the C++ library gives it: without the full stop.
  def system_text(code)
    SystemCallError.new(nil, code).message.chomp('.')
  end

  # The scene path is one argument although it has blanks and characters beyond any code page,
  # and the renderer gets it whole, in the system's own form, since it starts in its own folder.
  def test_run_vistrel_starts_the_registered_renderer_on_the_scene
    scene = File.join(folder, 'my scène €.vsf')
    ExportScene.run(@exporter, scene)
    @exporter.run_vistrel
    500.times { File.exist?(@report) ? break : sleep(0.02) }
    assert_equal [@bin_folder, @program, '-import2', scene.tr('/', '\\')], File.read(@report, encoding: 'UTF-8').lines(chomp: true)
  end

  def test_failures_carry_the_system_texts
    ExportScene.run(@exporter, File.join(folder, 'scene.vsf'))
    system('reg', 'add', KEY, '/v', 'BinFolder', '/d', @program, '/f', out: File::NULL, exception: true)
    assert_raises_with(RuntimeError, "cannot start renderer #{@program} in #{@program}: " \
                                     "#{system_text(ERROR_DIRECTORY)}") { @exporter.run_vistrel }
    refute File.exist?(@report)

    temporary = ENV['TMP'] = "#{folder.tr('/', '\\')}\\gone"
    assert_raises_with(IOError, "cannot create a temporary scene file in #{temporary}: " \
                                "#{system_text(ERROR_DIRECTORY)}") do
      @exporter.open_file(*open_args('ignored.vsf', 8 => false))
    end
  end
end
