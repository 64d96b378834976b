// Shaders: named definitions in the file, anonymous ones captured into buffers and spliced
// wherever they are used.
#include "tavScene_api_file.h"

bool tavScene_api_file::begin_shader(const char* name, const char* type) {
    capture_stack.push(capturing);
    shader_stack.push(active_shader);
    keyword_stack.push(keyword_params);
    keyword_params = false;
    if (name) {
        capturing = false;
        write_indented("#define shader ");
        write_name(name);
        write_raw(" ");
        write_name(type);
        write_raw(" {\n");
    } else {
        ShaderBuffer* shader = new ShaderBuffer;
        owned_shaders.push(shader);
        active_shader = shader;
        capturing = true;
        // The captured text starts at the left margin; splicing indents it where it is used.
        indent_stack.push(indent);
        indent = 0;
        write_string(type);
        write_raw(" {\n");
    }
    indent += 2;
    return true;
}

void tavScene_api_file::end_shader(int) {
    indent -= 2;
    if (capturing) {
        write_indented("}");
        indent = indent_stack.pop();
    } else {
        write_indented("}\n");
    }
    keyword_params = keyword_stack.pop();
    // active_shader stays: current_shader() hands out the buffer just finished.
    shader_stack.pop();
    capturing = capture_stack.pop();
}

ShaderBuffer* tavScene_api_file::current_shader() {
    return active_shader;
}

void tavScene_api_file::push_shader() {
    shader_stack.push(active_shader);
}

void tavScene_api_file::pop_shader() {
    active_shader = shader_stack.pop();
}

void tavScene_api_file::set_shader(int kind, ShaderBuffer* shader) {
    if (!shader) return;
    switch (kind) {
        case SHADER_SURFACE:
            write_indented("surface ");
            break;
        case SHADER_SHADOW:
            write_indented("shadow ");
            break;
        case SHADER_VOLUME:
            write_indented("volume ");
            break;
        case SHADER_REFLECTION_MAP:
            write_indented("reflection map ");
            break;
        case SHADER_INIT:
            write_indented("init ");
            break;
        default:
            write_indented("// assuming surface shader\n");
            write_indented("surface ");
            break;
    }
    write_shader(shader);
    write_indented("\n");
}
