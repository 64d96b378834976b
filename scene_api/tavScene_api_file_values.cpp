// Parameter values: how each value kind is printed, and the two forms of a parameter line.
#include "tavScene_api_file.h"
#include "value_rules.h"

namespace {

// Kinds 11 and 13 are passed as a pointer to the handle or string pointer.
const void* dereferenced(int kind, const void* value) {
    if (value && (kind == PARAM_SHADER || kind == PARAM_STRING_PTR)) {
        return *static_cast<const void* const*>(value);
    }
    return value;
}

}  // namespace

void tavScene_api_file::write_value(int kind, const void* value) {
    // A negative kind has the array bit set but names no kind at all: nothing is read.
    if (!value || kind < 0) return;
    if (kind & PARAM_ARRAY) {
        write_array_value(kind & ~PARAM_ARRAY, value);
        return;
    }
    const float* f = static_cast<const float*>(value);
    const double* d = static_cast<const double*>(value);
    const int* i = static_cast<const int*>(value);
    switch (kind) {
        case PARAM_COLOR:
            write_raw("%g %g %g", f[0], f[1], f[2]);
            break;
        case PARAM_FLOAT4:
        case PARAM_FLOAT4B:
            write_raw("%g %g %g %g", f[0], f[1], f[2], f[3]);
            break;
        case PARAM_FLOAT:
            write_raw("%g", guarded_float(f[0]));
            break;
        case PARAM_DOUBLE:
            write_raw("%g", d[0]);
            break;
        case PARAM_VECTOR:
            write_raw("%g %g %g", d[0], d[1], d[2]);
            break;
        case PARAM_INT:
            write_raw("%d", i[0]);
            break;
        case PARAM_BOOL:
            write_raw("%s", i[0] != 0 ? "on" : "off");
            break;
        case PARAM_MATRIX:
            write_raw("%g %g %g %g %g %g %g %g %g %g %g %g %g %g %g %g", as_single(d[0]),
                      as_single(d[1]), as_single(d[2]), as_single(d[3]), as_single(d[4]),
                      as_single(d[5]), as_single(d[6]), as_single(d[7]), as_single(d[8]),
                      as_single(d[9]), as_single(d[10]), as_single(d[11]), as_single(d[12]),
                      as_single(d[13]), as_single(d[14]), as_single(d[15]));
            break;
        case PARAM_STRING:
        case PARAM_STRING_PTR:
            write_name(static_cast<const char*>(value));
            break;
        case PARAM_SHADER: {
            // Spliced two spaces in, whatever the current indentation.
            const int saved = indent;
            indent = 2;
            write_shader(static_cast<const ShaderBuffer*>(value));
            indent = saved;
            break;
        }
        case PARAM_FLOAT2:
            write_raw("%g %g", f[0], f[1]);
            break;
        case PARAM_INT2:
            write_raw("%d %d", i[0], i[1]);
            break;
        case PARAM_INT3:
            write_raw("%d %d %d", i[0], i[1], i[2]);
            break;
        case PARAM_INT4:
            write_raw("%d %d %d %d", i[0], i[1], i[2], i[3]);
            break;
        default:
            break;  // reserved and unknown kinds print nothing
    }
}

bool tavScene_api_file::set_param(const char* name, int kind, const void* value) {
    value = dereferenced(kind, value);
    if (keyword_params) {
        // Keyword lines carry the name verbatim: "reflection map" stays two words.
        write_indented("%s ", name ? name : "");
        write_value(kind, value);
        write_raw("\n");
    } else {
        write_string(name);
        write_raw(" ");
        write_value(kind, value);
        write_raw(",\n");
    }
    return true;
}

bool tavScene_api_file::link_param(const char* name, ShaderBuffer* shader) {
    write_string(name);
    write_raw(" ! ");
    write_shader(shader);
    write_indented(",\n");
    return true;
}

// Mesh data: one 4-byte copy per item, written as one block by end_array_param. This is
// called once per element of the largest arrays, so the common case (room left in the
// storage) returns at once; everything else goes to add_array_value_slowly.
void tavScene_api_file::add_array_value(int kind, const void* value) {
    if (binary_arrays && value) {
        if (kind == PARAM_INT && binary_items.fits<1>()) {
            binary_tag = 'i';
            binary_items.put<1>(value);
            return;
        }
        if (kind == PARAM_COLOR && binary_items.fits<3>()) {
            binary_tag = 'c';
            binary_items.put<3>(value);
            return;
        }
    }
    add_array_value_slowly(kind, value);
}

void tavScene_api_file::add_array_value_slowly(int kind, const void* value) {
    if (!value || kind < 0) return;  // a negative kind is no kind: not even a separator
    if (binary_arrays) {
        switch (kind) {
            case PARAM_COLOR:
                binary_tag = 'c';
                binary_items.append<3>(value);
                return;
            case PARAM_FLOAT:
                binary_tag = 'f';
                binary_items.append<1>(value);
                return;
            case PARAM_INT:
                binary_tag = 'i';
                binary_items.append<1>(value);
                return;
            default:
                break;
        }
    }
    add_text_array_value(kind, value);
}

void tavScene_api_file::add_text_array_value(int kind, const void* value) {
    value = dereferenced(kind, value);
    if (array_count > 0) {
        // Three-float values two per line, all others six per line.
        if ((kind == PARAM_COLOR && array_count % 2 == 0) || array_count % 6 == 0) {
            write_raw(",\n");
            write_indentation();
        } else {
            write_raw(", ");
        }
    }
    write_value(kind, value);
    ++array_count;
}
