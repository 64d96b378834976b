# frozen_string_literal: true

require_relative 'helper'

class MtlReaderTest < Minitest::Test
  include DriverTestHelper

  def read_mtl(text, extra = {})
    path = write_files({ 'm.mtl' => text }.merge(extra))
    VistrelExport::MtlReader.new(warn: ->(w) { @warnings << w }).read(path)
  end

  def test_colour_opacity_and_texture
    FileUtils.mkdir_p(File.join(@dir, 'maps'))
    materials = read_mtl(<<~MTL, 'maps/wood grain.png' => 'png', 'brick.png' => 'png')
      # comment
      newmtl wood
      Ka 1 1 1
      Kd 0.5 0.25 1.2
      map_Kd -s 2 2 -o 0.5 -bm 1 maps/wood grain.png
      newmtl grey glass
      Kd 0.3
      Tr 0.25
      newmtl both
      d 0.4
      Tr 0.9
      newmtl plain
      newmtl brick
      d -halo 0.5
      map_Kd brick.png
    MTL
    assert_equal ['wood', 128, 64, 255, 1.0, File.join(@dir, 'maps/wood grain.png')], materials['wood'].to_a
    assert_equal ['grey glass', 77, 77, 77, 0.75, ''], materials['grey glass'].to_a
    assert_in_delta 0.4, materials['both'].opacity, 0, 'd wins over Tr'
    assert_equal ['plain', 204, 204, 204, 1.0, ''], materials['plain'].to_a
    assert_equal [0.5, File.join(@dir, 'brick.png')], [materials['brick'].opacity, materials['brick'].texture]
    assert_empty @warnings
  end

  def test_texture_paths_are_relative_to_the_mtl_file_and_missing_ones_are_dropped_with_a_warning
    FileUtils.mkdir_p(File.join(@dir, 'lib', 'tex'))
    File.write(File.join(@dir, 'lib', 'tex', 'a.png'), 'png')
    path = File.join(@dir, 'lib', 'm.mtl')
    File.write(path, "newmtl a\nmap_Kd tex\\a.png\nnewmtl b\nmap_Kd b.png\n")
    materials = VistrelExport::MtlReader.new(warn: ->(w) { @warnings << w }).read(path)
    assert_equal File.join(@dir, 'lib', 'tex', 'a.png'), materials['a'].texture, 'backslashes as folder separators'
    assert_equal '', materials['b'].texture
    assert_equal ["#{path}:4: texture 'b.png' not found (#{@dir}/lib/b.png); material 'b' is exported without it"],
                 @warnings
  end

  def test_texts_too_long_for_the_exporter
    long_dir = File.join(@dir, 'd' * 200, 'e' * 60)
    FileUtils.mkdir_p(long_dir)
    File.write(File.join(long_dir, 't.png'), 'png')
    materials = read_mtl("newmtl #{'n' * 300}\nmap_Kd #{long_dir}/t.png\n")
    assert_equal ['n' * 255], materials.keys
    assert_equal '', materials.values.first.texture
    assert_equal 2, @warnings.size
    assert_match(/m\.mtl:1: material name cut to 255 bytes\z/, @warnings[0])
    assert_match(/m\.mtl:2: texture path longer than 255 bytes; material 'n+' is exported without it\z/, @warnings[1])
  end

  def test_malformed_statements
    path = File.join(@dir, 'm.mtl')
    {
      "Kd 1 1 1\n" => '1: Kd before any newmtl',
      "newmtl\n" => '1: newmtl without a name',
      "newmtl a\nKd 1 1\n" => '2: Kd needs 1 or 3 numbers',
      "newmtl a\nKd 1 red 1\n" => "2: Kd: 'red' is not a number",
      "newmtl a\nKd spectral f.spd\n" => '2: Kd spectral is not supported; give r g b',
      "newmtl a\nd\n" => '2: expected one number',
      "newmtl a\nd nan\n" => "2: opacity: 'nan' is not a number",
      "newmtl a\nmap_Kd -bm 0.5\n" => '2: map_Kd without a file name'
    }.each do |text, message|
      assert_error("#{path}:#{message}") { read_mtl(text) }
    end
  end
end
