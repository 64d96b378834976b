# frozen_string_literal: true

require_relative '../../ruby/helper'
require_relative '../../ruby/export_scene'

# What only a Windows Ruby sees: the system's own texts when the registered renderer cannot
# start or no temporary scene can be made (renderer_launch_test.cpp starts it).
# scripts/windows-ruby-test.sh runs this under Wine, with the stand-in renderer registered.
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
