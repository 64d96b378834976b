// Block framing: groups, acceleration blocks, the exclusive options, camera and image blocks,
// frames and output blocks, plus the free-standing statements.
#include "tavScene_api_file.h"

void tavScene_api_file::open_named_block(const char* keyword, const char* name) {
    write_indented("%s ", keyword);
    write_name(name);
    write_raw(" {\n");
    indent += 2;
}

void tavScene_api_file::close_block() {
    indent -= 2;
    write_indented("}\n");
}

bool tavScene_api_file::begin_group(const char* name, bool in_scene) {
    write_raw("\n");
    if (!in_scene) write_indented("#define ");
    open_named_block("group", name);
    return true;
}

void tavScene_api_file::end_group() {
    close_block();
}

bool tavScene_api_file::begin_accel(const char* name) {
    open_named_block("\naccel", name);
    return true;
}

void tavScene_api_file::end_accel() {
    close_block();
}

// The options, camera and image blocks exclude each other; a refused begin writes nothing
// and changes nothing.
bool tavScene_api_file::begin_exclusive(Block which) {
    if (block != NO_BLOCK) return false;
    capturing = false;
    keyword_params = true;
    block = which;
    return true;
}

void tavScene_api_file::end_exclusive(Block which) {
    if (block == which) close_block();
    keyword_params = false;
    block = NO_BLOCK;
}

bool tavScene_api_file::begin_options() {
    if (!begin_exclusive(OPTIONS_BLOCK)) return false;
    write_indented("\noptions {\n");
    indent += 2;
    return true;
}

void tavScene_api_file::end_options() {
    end_exclusive(OPTIONS_BLOCK);
}

bool tavScene_api_file::begin_camera(const char* name) {
    if (!begin_exclusive(CAMERA_BLOCK)) return false;
    if (name) {
        open_named_block("\ncamera", name);
    } else {
        write_indented("\ncamera {\n");
        indent += 2;
    }
    return true;
}

void tavScene_api_file::end_camera() {
    end_exclusive(CAMERA_BLOCK);
}

bool tavScene_api_file::modify_camera(const char* name) {
    write_indented("#modify ");
    // A refused camera leaves the "#modify " text in the file.
    return begin_camera(name);
}

bool tavScene_api_file::begin_image() {
    if (!begin_exclusive(IMAGE_BLOCK)) return false;
    write_indented("\nimage {\n");
    indent += 2;
    return true;
}

void tavScene_api_file::end_image() {
    end_exclusive(IMAGE_BLOCK);
}

bool tavScene_api_file::begin_frame(int frame) {
    write_indented("frame %d {\n", frame);
    indent += 2;
    return true;
}

void tavScene_api_file::end_frame() {
    close_block();
}

bool tavScene_api_file::begin_output(const char* first, const char* second, const char* third) {
    keyword_params = false;
    write_indented("output ");
    write_name(first);
    write_raw(" ");
    write_name(second);
    write_raw(" ");
    write_name(third);
    write_raw(" {\n");
    indent += 2;
    return true;
}

void tavScene_api_file::end_output() {
    keyword_params = true;
    close_block();
}

bool tavScene_api_file::render() {
    write_indented("\nrender\n");
    return true;
}

void tavScene_api_file::progress(const char* name, float fraction) {
    write_indented("progress ");
    write_name(name);
    write_raw(" %f\n\n", static_cast<double>(fraction));
}

void tavScene_api_file::icon(const unsigned char* bytes, int size) {
    write_indented("icon ");
    write_hex_blob(bytes, size);
    write_indented("\n");
}

void tavScene_api_file::blob(const char* keyword, const unsigned char* bytes, int size) {
    write_indented("%s ", keyword ? keyword : "");
    write_hex_blob(bytes, size);
    write_indented("\n");
}

// Reserved operations: they write nothing; callers rely only on their results.
void tavScene_api_file::reserved_01() {}
int tavScene_api_file::reserved_14(int value) {
    return value;
}
int tavScene_api_file::reserved_27(int value) {
    return value;
}
void tavScene_api_file::reserved_29(int, int) {}
std::uint32_t tavScene_api_file::reserved_38() {
    return 0;
}
bool tavScene_api_file::reserved_41(std::uint32_t) {
    return false;
}
void tavScene_api_file::reserved_42() {}
bool tavScene_api_file::reserved_53(std::uint32_t) {
    return false;
}
void tavScene_api_file::reserved_61(std::uint32_t) {}
int tavScene_api_file::reserved_68() {
    return 10;
}
int tavScene_api_file::reserved_71(std::uint32_t) {
    return 10;
}
