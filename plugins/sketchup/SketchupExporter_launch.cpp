// Starting the renderer on the exported scene, and the fixed test scene.
#include <stdexcept>

#include "SketchupExporter.h"
#include "platform.h"

void SketchupExporter::run_vistrel() {
    if (output_path.empty()) throw std::logic_error("run_vistrel: no scene has been exported");
    const platform::RendererLocation renderer = platform::find_renderer();
    platform::launch_detached(renderer.program, renderer.folder,
                              {"-import2", absolute_output_path});
}

void SketchupExporter::test() {
    if (export_open()) throw std::logic_error("test: an export is open");
    static const float corners[4][3] = {{0, 0, 0}, {0, 0, 20}, {0, 20, 0}, {0, 20, 20}};
    static const float coordinates[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    const std::string scene = platform::temporary_file_path("vistrel_test.vsf");
    const std::string image = platform::temporary_file_path("vistrel_test.jpg");

    open_scene(scene.c_str(), nullptr, true);
    begin_mesh("Square");
    for (int k = 0; k < 4; ++k) {
        add_vertex(corners[k][0], corners[k][1], corners[k][2]);
        add_normal(1, 0, 0);
        add_uv(coordinates[k][0], coordinates[k][1]);
    }
    add_triangle(0, 1, 2);
    add_triangle(1, 3, 2);
    set_name("hellomat");
    set_texture(image.c_str());
    end_mesh();
    close_scene();
}
