# frozen_string_literal: true

# The package's walker, driven through the built extension on stand-in models:
#   ruby -I <build>/lib tests/modeller/test_walker.rb
require 'json'
require 'minitest/autorun'
require 'tmpdir'
require 'vistrel_sketchup_plugin'
require 'vistrel_instancing'
require_relative 'models'
require_relative '../../plugins/sketchup/package/vistrel_exporter/scene_export'

class WalkerTest < Minitest::Test
  # What the system says when a folder is opened as a file.
  IS_A_DIRECTORY = File::ALT_SEPARATOR ? 'Permission denied' : 'Is a directory'

  def setup
    @dir = Dir.mktmpdir('vistrel-walker')
    @scene = File.join(@dir, 'house.vsf')
  end

  def teardown
    FileUtils.remove_entry(@dir)
  end

  def test_house_makes_the_expected_calls_and_scene
    summary = assert_golden_scene('house', Models.house)
    assert_equal [5, 7, 20, @scene], summary.to_a.first(4)
    assert_equal %w[001_wood.png 002_wood.png 003_brick.jpg], Dir.children("#{@dir}/house_textures").sort
    assert_equal %w[expected.vsf house.vsf house_textures], Dir.children(@dir).sort
  end

  def test_field_of_view
    [[{}, 35.0], [{ fov: 60.0, fov_is_height: false, aspect: 2.0 }, 32.204], # 2 atan(tan 30° / 2)
     [{ fov: 60.0, fov_is_height: false }, 46.826],                          # the view's 4:3
     [{ perspective: false, height: 200.0, target: [0.0, -100.0, 60.0] }, 90.0]].each do |options, fov|
      view = Sketchup::View.new(Models.camera(**options), 800, 600)
      assert_in_delta fov, VistrelExporter::ViewCamera.new(view).fov, 1e-3, options.inspect
    end
  end

  # Nothing of a failed export stays behind, and an earlier one stays whole, scene and textures:
  # the writer fails after two images, no folder, the scene or an image cannot take its place.
  def test_failed_export_leaves_nothing_behind
    brick = "#{@dir}/house_textures/003_brick.jpg"
    [
      [@scene, 2, "cannot write the texture of Brick to #{native(brick)}"],
      ["#{@dir}/no/house.vsf", nil, "cannot open scene file #{@dir}/no/house.vsf: No such file or directory"],
      [@scene, nil, "cannot open scene file #{@dir}/house.vsf: #{IS_A_DIRECTORY}", -> { File.rename(@scene, "#{@dir}/earlier.vsf") && Dir.mkdir(@scene) }],
      [@scene, nil, "cannot replace texture #{native(brick)}: #{IS_A_DIRECTORY}", -> { File.delete(brick) && Dir.mkdir(brick) }]
    ].each do |scene, good_writes, message, in_the_way|
      VistrelExporter::SceneExport.new(Models.house).write(@scene)
      in_the_way&.call
      earlier = snapshot
      Sketchup::TextureWriter.before_write = ->(_path) { :fail if good_writes && (good_writes -= 1).negative? }
      error = assert_raises(IOError) { VistrelExporter::SceneExport.new(Models.house).write(scene) }
      assert_equal [message, earlier], [error.message, snapshot]
    ensure
      Sketchup::TextureWriter.before_write = nil
      FileUtils.rm_rf(Dir.children(@dir).map { |name| File.join(@dir, name) })
    end
    model = Models.house.tap { |house| house.active_path = [house.entities[1]] }
    error = assert_raises(ArgumentError) { VistrelExporter::SceneExport.new(model).write(@scene) }
    assert_equal 'close the group or component being edited, then export again', error.message
  end

  # A second export to the same scene runs while the first writes its textures: each stages on
  # its own, and the first, finishing last, leaves its whole scene and textures.
  def test_exports_at_once_to_one_scene
    inner = nil
    Sketchup::TextureWriter.before_write = lambda do |_path|
      Sketchup::TextureWriter.before_write = nil
      inner = VistrelExporter::SceneExport.new(Models.house).write(@scene)
    end
    outer = VistrelExporter::SceneExport.new(Models.house).write(@scene)
    assert_equal [[5, 7, 20], [5, 7, 20], golden('house'), %w[house.vsf house_textures], 3],
                 [inner.to_a.first(3), outer.to_a.first(3), with_dir_marked(File.binread(@scene)), Dir.children(@dir).sort,
                  Dir.children("#{@dir}/house_textures").size]
  ensure
    Sketchup::TextureWriter.before_write = nil
  end

  # The copy of an image gets a file name that fits: cleaned, shortened within 255 bytes of path,
  # and PNG where SketchUp cannot write the image's own format (with a warning); a folder that
  # leaves no room is refused.
  def test_texture_file_names
    deep = File.join(@dir, 'd' * (200 - @dir.bytesize)) # 221 bytes to the image name
    too_deep = File.join(@dir, 'd' * (235 - @dir.bytesize))
    warning = 'Warning: the texture of Brick (%s) is written as PNG: SketchUp cannot write %s images.'
    [
      [@dir, "br\xFFick\u0007.jpg", [[], ['003_br_ick_.jpg']]],
      [@dir, "#{'b' * 300}.JPG", [[], ["003_#{'b' * 100}.JPG"]]],
      [@dir, 'C:\\maps\\brick.psd', [[format(warning, 'brick.psd', '.psd')], ['003_brick.png']]],
      [deep, "#{'é' * 20}.tga", [[format(warning, "#{'é' * 20}.tga", '.tga')], ["003_#{'é' * 15}.png"]]],
      [too_deep, 'brick.jpg', ["the texture folder #{native("#{too_deep}/house_textures")} leaves no room for image names within " \
                               '255 bytes; save the scene in a folder with a shorter path', []]]
    ].each do |folder, image, outcome|
      FileUtils.rm_rf("#{folder}/house_textures")
      FileUtils.mkdir_p(folder)
      export = VistrelExporter::SceneExport.new(Models.house(brick_image: image))
      assert_equal outcome, begin
        [export.write("#{folder}/house.vsf").to_s.lines(chomp: true).drop(2),
         Dir.children("#{folder}/house_textures", encoding: 'UTF-8').grep(/\A003_/)]
      rescue IOError => e
        [e.message, Dir.children(folder)]
      end
    end
  end

  # The walker keeps apart what the names given to the extension must keep apart: the default
  # surface and a material named like it, a distorted face and a material named like its made-up
  # name, names that differ only past the 127 bytes the scene keeps.
  def test_surfaces_kept_apart_keep_their_own_names
    long = 'n' * 126
    wood = Models.paint('Wood', [150, 110, 60], Sketchup::Texture.new('wood.png', 10.0, 10.0))
    [
      [[Models.quad(1, 1), Models.quad(2, 2, material: Models.paint('Default 255:255:255', [255, 0, 0]))],
       ['Default 255:255:255', 'Default 255:255:255 (2)']],
      [[Models.quad(2, 2, material: Models.paint('Wood #0', [0, 0, 255])), Models.quad(1, 1, material: wood, q: [1.0, 0.5, 0.5, 1.0])],
       ['Wood #0', 'Wood #0 (2)']],
      [[Models.quad(1, 1, material: Models.paint("#{long}ab", [1, 1, 1])), Models.quad(1, 1, material: Models.paint("#{long}ac", [2, 2, 2]))],
       ["#{long[0, 123]} (2)", "#{long}a"]]
    ].each do |entities, names|
      model = Sketchup::Model.new('Names', '', entities, Sketchup::View.new(Models.camera, 800, 600))
      VistrelExporter::SceneExport.new(model).write(@scene)
      assert_equal names, File.binread(@scene).scan(/^ *material "([^"]*)"/).flatten.sort
    end
  end

  # 5,000 groups, each in the one before, with a face in the innermost; 5,000 components, each
  # placing the one before twice.
  def test_deep_nesting
    model = Sketchup::Model.new('Deep', '', [Models.quad(1, 1)], Sketchup::View.new(Models.camera, 800, 600))
    5000.times { model.entities = [Models::Group.new(name: 'g', entities: model.entities, transformation: Models.moved(0, 0, 1))] }
    assert_equal [5000, 1, 2], VistrelExporter::SceneExport.new(model).write(@scene).to_a.first(3)
    model.entities = [Models.quad(1, 1)]
    5000.times do |k|
      component = Sketchup::ComponentDefinition.new("c#{k}", model.entities)
      model.entities = [1, 2].map { |x| Models::Instance.new(name: '', definition: component, transformation: Models.moved(x, 0, 0)) }
    end
    summary = VistrelExporter::SceneExport.new(model).write(@scene)
    assert_equal [10_000, 1, 2, 5000, 10_000, 2**5001], summary.to_a.values_at(0, 1, 2, 6, 7, 8)
  end

  # The tree component placed three times (one placement nested, one painted and inline), the
  # leaf component it places twice, and smooth normals on its trunk, from reviewed calls; without
  # the companion extension, every placement written in full.
  def test_grove_of_components
    summary = assert_golden_scene('grove', Models.grove)
    assert_equal [[8, 4, 12], '2 components written once for 6 placements; 26 triangles as placed.'],
                 [summary.to_a.first(3), summary.to_s.lines(chomp: true)[1]]
    summary = VistrelExporter::SceneExport.new(Models.grove, instancing: nil).write(@scene)
    assert_equal [[10, 10, 26], 1], [summary.to_a.first(3), summary.to_s.lines.size]
  end

  # Which components become definitions, and how many faces are meshed: a component taking no
  # paint is shared by placements painted differently; one taking paint is written once per
  # material; names already taken get a number; hidden placements do not count.
  def test_placements
    leaf = Sketchup::ComponentDefinition.new('Leaf', [Models.quad(1, 1, material: Models.paint('Green', [0, 255, 0]))])
    tree = Sketchup::ComponentDefinition.new('Tree', [Models.quad(1, 1)])
    taken = Sketchup::ComponentDefinition.new('Tree painted Red', [Models.quad(2, 2)])
    red = Models.paint('Red', [255, 0, 0])
    place = ->(component, **options) { Models::Instance.new(name: '', definition: component, transformation: Models.moved(0, 0, 0), **options) }
    [
      [Models.grove.entities, true, %w[Leaf Tree], 6],
      [Models.grove.entities, false, [], 13],
      [[place.call(leaf, material: red), place.call(leaf), place.call(tree, material: red), place.call(tree, material: red), place.call(tree)],
       true, ['Leaf', 'Tree painted Red'], 3],
      [[place.call(taken), place.call(tree, material: red), Models::Group.new(entities: [place.call(tree)], material: red), place.call(taken)],
       true, ['Tree painted Red (2)', 'Tree painted Red'], 2],
      [[place.call(tree), place.call(tree, hidden: true), place.call(tree, layer: Sketchup::Layer.new(false))], true, [], 1]
    ].each do |entities, definitions, names, faces|
      plan = VistrelExporter::Placements.new(entities, definitions: definitions)
      assert_equal [names, faces], [plan.definitions.map(&:name), plan.faces_to_mesh]
    end
  end

  # The cylinder's reviewed calls: each corner of the smooth side has the normal averaged, by
  # angle, with the sides across its smooth edges; the seam, the cap's edges and the hidden
  # bottom keep the faces' normals apart.
  def test_smooth_cylinder
    assert_equal [0, 2, 22], assert_golden_scene('cylinder', Models.cylinder).to_a.first(3)
  end

  private

  # data/NAME.calls: the calls the model must make; data/NAME.vsf: what the extension writes for
  # them, with @DIR@ for the scene's folder. The walker's scene of the model must be the same.
  def assert_golden_scene(name, model)
    exporter = Vistrel_sketchup_plugin::SketchupExporter.new
    calls(name).each do |call, *args|
      args[1] = "#{@dir}/expected.vsf" if call == 'open_file'
      Vistrel_instancing.respond_to?(call) ? Vistrel_instancing.send(call, exporter, *args) : exporter.send(call, *args)
    end
    assert_equal File.binread(File.join(__dir__, 'data', "#{name}.vsf")), File.binread("#{@dir}/expected.vsf")
    @scene = File.join(@dir, "#{name}.vsf")
    summary = VistrelExporter::SceneExport.new(model).write(@scene)
    assert_equal golden(name), with_dir_marked(File.binread(@scene))
    summary
  end

  # data/NAME.vsf with its paths as the walker writes them: with back slashes on Windows.
  def golden(name)
    File.binread(File.join(__dir__, 'data', "#{name}.vsf")).gsub(/@DIR@[^"]*/n) { |path| native(path) }
  end

  def with_dir_marked(scene)
    scene.gsub(native(@dir).b, '@DIR@'.b)
  end

  def native(path)
    File::ALT_SEPARATOR ? path.tr('/', File::ALT_SEPARATOR) : path
  end

  def calls(name)
    File.readlines(File.join(__dir__, 'data', "#{name}.calls")).map { |line| JSON.parse(line) }
  end

  # Every file under the test's folder with its content.
  def snapshot
    Dir.glob('**/*', base: @dir).sort.map { |name| [name, File.file?("#{@dir}/#{name}") && File.binread("#{@dir}/#{name}")] }
  end
end
