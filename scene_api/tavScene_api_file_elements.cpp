// Scene elements: objects and their flags, lights, geometry, instances, animations,
// materials and load blocks.
#include "tavScene_api_file.h"

namespace {

// Flags set by begin_object; each clear one, and a set FLAG_INVISIBLE, gets a line.
constexpr int default_object_flags =
    FLAG_CAUSTICS_TRACE | FLAG_CAUSTICS_STORE | FLAG_AMBIENT_TRACE | FLAG_AMBIENT_STORE;

}  // namespace

bool tavScene_api_file::begin_object(const char* name, bool in_scene) {
    keyword_stack.push(keyword_params);
    keyword_params = true;
    object_flags = default_object_flags;
    write_raw("\n");
    open_named_block(in_scene ? "object" : "#define object", name);
    return true;
}

void tavScene_api_file::end_object() {
    if (!(object_flags & FLAG_CAUSTICS_STORE)) write_indented("caustics store off\n");
    if (!(object_flags & FLAG_CAUSTICS_TRACE)) write_indented("caustics trace off\n");
    if (!(object_flags & FLAG_AMBIENT_STORE)) write_indented("ambient store off\n");
    if (!(object_flags & FLAG_AMBIENT_TRACE)) write_indented("ambient trace off\n");
    if (object_flags & FLAG_INVISIBLE) write_indented("invisible on\n");
    keyword_params = keyword_stack.pop();
    close_block();
}

void tavScene_api_file::set_object_flags(int mask, bool on) {
    object_flags = on ? (object_flags | mask) : (object_flags & ~mask);
}

bool tavScene_api_file::modify_object(const char* name) {
    keyword_stack.push(keyword_params);
    keyword_params = true;
    open_named_block("#modify object", name);
    return true;
}

bool tavScene_api_file::begin_light(const char* name, int) {
    write_raw("\n");
    open_named_block("light", name);
    return true;
}

bool tavScene_api_file::modify_light(const char* name) {
    open_named_block("#modify light", name);
    return true;
}

void tavScene_api_file::end_light() {
    close_block();
}

void tavScene_api_file::set_global_photons(int count) {
    write_indented("global photons %d\n", count);
}

void tavScene_api_file::set_caustic_photons(int count) {
    write_indented("caustic photons %d\n", count);
}

void tavScene_api_file::set_volume_photons(int count) {
    write_indented("volume photons %d\n", count);
}

bool tavScene_api_file::begin_geometry(const char* type) {
    keyword_stack.push(keyword_params);
    keyword_params = false;
    open_named_block("geometry", type);
    return true;
}

void tavScene_api_file::end_geometry() {
    keyword_params = keyword_stack.pop();
    close_block();
}

bool tavScene_api_file::instance(const char* name) {
    write_indented("instance ");
    write_name(name);
    write_raw("\n");
    return true;
}

bool tavScene_api_file::begin_animation(const char* first, const char* second) {
    keyword_stack.push(keyword_params);
    keyword_params = false;
    write_indented("animation ");
    write_name(first);
    write_indented(" ");
    write_name(second);
    write_raw(" {\n");
    indent += 2;
    return true;
}

int tavScene_api_file::end_animation() {
    keyword_params = keyword_stack.pop();
    close_block();
    return 0;
}

bool tavScene_api_file::begin_material(const char* name, bool in_scene) {
    if (!in_scene) write_indented("\n#define ");
    open_named_block("material", name);
    return true;
}

bool tavScene_api_file::use_material(const char* name, int) {
    write_indented("material ");
    write_name(name);
    write_raw("\n");
    return true;
}

bool tavScene_api_file::modify_material(const char* name) {
    open_named_block("#modify material", name);
    return true;
}

void tavScene_api_file::end_material() {
    close_block();
}

bool tavScene_api_file::begin_load(const char* name) {
    open_named_block("load", name);
    return true;
}

void tavScene_api_file::end_load() {
    close_block();
}
