// The export as a whole: output choice, camera, transforms and closing.
#include "SketchupExporter.h"

#include <cstdio>
#include <stdexcept>

#include "platform.h"

namespace {

// Exchanges the modeller's first and third axes for the renderer's camera.
const double camera_axes[16] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};

}  // namespace

SketchupExporter::SketchupExporter() = default;

SketchupExporter::~SketchupExporter() {
    if (!export_open()) return;
    try {
        close_file();
    } catch (const std::exception&) {
        // Nobody can be told from here; the output is closed either way.
    }
}

bool SketchupExporter::export_open() {
    if (export_process != 0 && export_process != platform::current_process()) {
        // A forked child: the groups and batches pending are the parent's, as is the scene,
        // which SceneBuilder drops.
        export_process = 0;
        open_groups = 0;
        group_counter = 0;
        batches.clear();
        forget_definitions();
    }
    return is_open();
}

void SketchupExporter::require_open(const char* operation) {
    if (!export_open()) throw std::logic_error(std::string(operation) + ": no export is open");
}

void SketchupExporter::open_file(const char* model, const char* path, const float* eye,
                                 const float* dir, const float* up, float fov, float /*ignored*/,
                                 bool use_path) {
    if (export_open()) close_file();
    group_counter = 0;
    if (use_path && !path) throw std::invalid_argument("open_file: no path given");
    const std::string scene = use_path ? path : platform::create_temporary_scene_file();
    try {
        open_scene(scene.c_str(), model);
    } catch (...) {
        // A temporary file nobody will ever write is not left behind.
        if (!use_path) std::remove(scene.c_str());
        throw;
    }
    // Only a scene that opened becomes the one run_vistrel starts the renderer on.
    output_path = scene;
    export_process = platform::current_process();
    absolute_output_path = platform::absolute_path(scene);

    open_camera("last_active");
    set_camera_position(eye[0], eye[1], eye[2]);
    set_camera_direction(dir[0], dir[1], dir[2]);
    set_camera_up(up[0], up[1], up[2]);
    set_camera_fov(fov);
    get_writer()->transform(camera_axes, false);
    close_camera();
}

// Batches recorded while no export is open stay for the next one. A definition left open is
// ended, so that the file is whole, and reported once the file is closed.
void SketchupExporter::close_file() {
    const std::string unfinished = export_open() ? end_open_definition() : "";
    if (export_open()) flush_batches();
    for (; open_groups > 0 && export_open(); --open_groups) close_group();
    open_groups = 0;
    group_counter = 0;
    export_process = 0;
    forget_definitions();
    close_scene();
    if (!unfinished.empty())
        throw std::logic_error("close_file: definition \"" + unfinished + "\" was still open");
}

void SketchupExporter::transform(const float* matrix) {
    require_open("transform");
    double widened[16];
    for (int i = 0; i < 16; ++i) widened[i] = matrix[i];
    get_writer()->transform(widened, false);
}
