// Scene lifecycle: opening the output and the writer, the header and top group, closing; groups
// and progress statements.
#include "SceneBuilder.h"

#include <cerrno>
#include <cstring>
#include <ios>
#include <stdexcept>
#include <string>
#include <system_error>

#include "copy_text.h"
#include "platform.h"
#include "tavScene_api_file.h"

namespace {

std::string describe_output(const std::string& path) {
    return path == "-" ? std::string("standard output") : "scene file " + path;
}

// The model's base name without folders and extension, at most 63 characters; "object" when
// there is no model name at all.
std::string top_group_name(const char* group_name) {
    if (!group_name) return "object";
    const char* base = group_name;
    if (const char* slash = std::strrchr(base, '/')) base = slash + 1;
    if (const char* backslash = std::strrchr(base, '\\')) base = backslash + 1;
    std::string name = std::string(base).substr(0, 63);
    return name.substr(0, name.find('.'));
}

}  // namespace

FILE* fopen_utf8(const char* path, const char* mode) {
    return platform::open_file_utf8(path, mode);
}

SceneBuilder::SceneBuilder() = default;

// An open writer is released with its stream; nothing more is written into the scene.
SceneBuilder::~SceneBuilder() {
    is_open();  // drops a scene inherited through fork without flushing its bytes
    if (!writer && stream) std::fclose(stream);
}

bool SceneBuilder::is_open() {
    if (stream && owner_process != platform::current_process()) {
        // The parent owns the scene: the bytes this copy holds buffered are the parent's to
        // write, and closing the copy leaves the parent's descriptor as it is.
        platform::discard_buffered_output(stream);
        FILE* inherited = stream;
        stream = nullptr;
        file_writer = nullptr;
        if (writer) {
            writer.reset();
        } else {
            std::fclose(inherited);
        }
    }
    return writer != nullptr;
}

void SceneBuilder::open_scene(const char* file_name, const char* group_name, bool fresh_file) {
    if (is_open() || stream) throw std::logic_error("open_scene: a scene is already open");
    progress = 0.0f;
    name[0] = '\0';

    const bool to_standard_output = std::strcmp(file_name, "-") == 0;
    FILE* output = to_standard_output ? platform::take_standard_output()
                                      : platform::open_scene_output(file_name, fresh_file);
    if (!output) {
        const int error = errno;
        throw std::ios_base::failure("cannot open " + describe_output(file_name),
                                     std::error_code(error, std::generic_category()));
    }
    try {
        scene_path = file_name;
        if (writer_factory) {
            writer = writer_factory(output);
        } else {
            auto file = std::make_unique<tavScene_api_file>(output, true);
            file_writer = file.get();
            writer = std::move(file);
        }
    } catch (...) {
        std::fclose(output);
        throw;
    }
    stream = output;
    owner_process = platform::current_process();

    writer->print_text("//---tavren:dal:3---\n");
    writer->print_text("// This is a Vistrel scene file\n\n");
    std::fflush(stdout);
    writer->begin_group(top_group_name(group_name).c_str(), true);
    writer->begin_accel("auto");
    writer->end_accel();
}

void SceneBuilder::close_scene() {
    if (is_open()) {
        writer->end_group();
        const int error = file_writer ? file_writer->close() : 0;
        writer.reset();
        file_writer = nullptr;
        stream = nullptr;
        if (error != 0) {
            throw std::ios_base::failure("cannot write " + describe_output(scene_path),
                                         std::error_code(error, std::generic_category()));
        }
    } else if (stream) {
        std::fclose(stream);
        stream = nullptr;
    }
}

tavScene_api& SceneBuilder::open_writer(const char* operation) {
    if (!is_open()) throw std::logic_error(std::string(operation) + ": no scene is open");
    return *writer;
}

void SceneBuilder::open_group(const char* group_name) {
    open_writer("open_group").begin_group(group_name ? group_name : "", true);
}

void SceneBuilder::close_group() {
    open_writer("close_group").end_group();
}

void SceneBuilder::set_progress(float fraction) {
    open_writer("set_progress").progress(name, fraction);
    progress = fraction;
}

void SceneBuilder::set_progress_label(const char* text, bool keep_name) {
    tavScene_api& scene = open_writer("set_progress_label");
    const std::string label = text ? text : "";
    if (keep_name) {
        copy_text(name, (label.substr(0, 32) + ": " + std::string(name).substr(0, 90)).c_str());
    } else {
        copy_text(name, label.c_str());
    }
    scene.progress(name, progress);
}
