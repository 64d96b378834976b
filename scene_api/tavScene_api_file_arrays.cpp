// Array parameters and array values, in their text and binary forms.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "tavScene_api_file.h"
#include "value_rules.h"

bool tavScene_api_file::begin_array_param(const char* name) {
    array_count = 0;
    write_string(name);
    write_raw(" [\n");
    indent += 2;
    write_indentation();
    binary_items.clear();
    return true;
}

void tavScene_api_file::end_array_param() {
    if (binary_arrays && binary_items.size() > 0) {
        std::size_t bytes = 0;
        const char* block = binary_items.block(binary_tag, bytes);
        write_bytes(block, bytes);
        binary_items.clear();
    }
    write_raw(" ],\n");
    indent -= 2;
}

namespace {

bool is_array_base_kind(int kind) {
    switch (kind) {
        case PARAM_COLOR:
        case PARAM_FLOAT:
        case PARAM_VECTOR:
        case PARAM_INT:
        case PARAM_MATRIX:
        case PARAM_STRING:
        case PARAM_STRING_PTR:
            return true;
        default:
            return false;
    }
}

// The binary tag and the number of 4-byte items of one element of the kinds that have them.
struct ItemLayout {
    char tag;
    std::size_t items;
};

ItemLayout item_layout(int kind) {
    switch (kind) {
        case PARAM_COLOR:
            return {'c', 3};
        case PARAM_FLOAT:
            return {'f', 1};
        case PARAM_INT:
            return {'i', 1};
        default:
            throw std::invalid_argument("write_array_param: kind " + std::to_string(kind) +
                                        " has no 4-byte items");
    }
}

}  // namespace

void tavScene_api_file::write_array_param(const char* name, int kind, const void* elements,
                                          std::size_t count) {
    const ArrayPiece whole{elements, count};
    write_array_param(name, kind, &whole, 1);
}

void tavScene_api_file::write_array_param(const char* name, int kind, const ArrayPiece* pieces,
                                          std::size_t piece_count) {
    const ItemLayout layout = item_layout(kind);
    std::size_t count = 0;
    for (std::size_t p = 0; p < piece_count; ++p)
        if (pieces[p].elements) count += pieces[p].count;
    begin_array_param(name);
    if (binary_arrays) {
        // What end_array_param would write for the items collected one by one.
        if (count > 0) {
            binary_tag = layout.tag;
            write_binary_header(layout.tag, layout.items * count);
            for (std::size_t p = 0; p < piece_count; ++p)
                if (pieces[p].elements)
                    write_bytes(static_cast<const char*>(pieces[p].elements),
                                4 * layout.items * pieces[p].count);
        }
    } else {
        for (std::size_t p = 0; p < piece_count; ++p) {
            const char* element = static_cast<const char*>(pieces[p].elements);
            if (!element) continue;
            for (std::size_t i = 0; i < pieces[p].count; ++i, element += 4 * layout.items)
                add_text_array_value(kind, element);
        }
    }
    end_array_param();
}

void tavScene_api_file::write_array_value(int base_kind, const void* value) {
    // Kinds not printable as arrays print nothing, not even the brackets, and read nothing.
    if (!is_array_base_kind(base_kind)) return;
    const ParamArray& array = *static_cast<const ParamArray*>(value);
    const int count = array.count > 0 && array.data ? array.count : 0;
    const ParamArray items{array.data, count};
    if (binary_arrays) {
        switch (base_kind) {
            case PARAM_COLOR:
                write_binary_array('c', items.data, 3 * count);
                return;
            case PARAM_FLOAT:
                write_binary_array('f', items.data, count);
                return;
            case PARAM_INT:
                write_binary_array('i', items.data, count);
                return;
            default:
                break;
        }
    }
    switch (base_kind) {
        case PARAM_COLOR:
        case PARAM_FLOAT:
        case PARAM_VECTOR:
        case PARAM_INT:
            write_text_array(base_kind, items);
            break;
        case PARAM_STRING:
        case PARAM_STRING_PTR:
            write_string_array(items);
            break;
        default:
            write_matrix_array(items);
            break;
    }
}

void tavScene_api_file::write_binary_array(char tag, const void* items, int item_count) {
    write_raw("[ ");
    write_binary_block(tag, items, static_cast<std::size_t>(item_count));
    write_raw("] ");
}

// Header and items leave back to back, with no flush between them.
void tavScene_api_file::write_binary_block(char tag, const void* items, std::size_t item_count) {
    write_binary_header(tag, item_count);
    write_bytes(static_cast<const char*>(items), 4 * item_count);
}

void tavScene_api_file::write_binary_header(char tag, std::size_t item_count) {
    const std::uint32_t n = static_cast<std::uint32_t>(item_count);
    const char header[8] = {1,
                            2,
                            3,
                            tag,
                            static_cast<char>(n & 255),
                            static_cast<char>((n >> 8) & 255),
                            static_cast<char>((n >> 16) & 255),
                            static_cast<char>((n >> 24) & 255)};
    write_bytes(header, sizeof header);
}

void tavScene_api_file::write_text_array(int base_kind, const ParamArray& array) {
    const float* f = static_cast<const float*>(array.data);
    const double* d = static_cast<const double*>(array.data);
    const int* n = static_cast<const int*>(array.data);
    write_raw("[ ");
    for (int i = 0; i < array.count; ++i) {
        const char* separator = i + 1 < array.count ? "," : " ";
        switch (base_kind) {
            case PARAM_COLOR:
                write_raw("%g %g %g%s", f[3 * i], f[3 * i + 1], f[3 * i + 2], separator);
                break;
            case PARAM_VECTOR:
                write_raw("%g %g %g%s", d[3 * i], d[3 * i + 1], d[3 * i + 2], separator);
                break;
            case PARAM_FLOAT:
                write_raw("%g%s", guarded_float(f[i]), separator);
                break;
            default:
                write_raw("%d%s", n[i], separator);
                break;
        }
        // Nine elements on the first line, eight on every later one.
        if (i > 0 && i % 8 == 0) {
            write_raw("\n");
            write_indentation();
        }
    }
    write_raw("] ");
}

void tavScene_api_file::write_string_array(const ParamArray& array) {
    const char* const* strings = static_cast<const char* const*>(array.data);
    write_raw("[ ");
    for (int i = 0; i < array.count; ++i) {
        write_name(strings[i]);
        write_raw(i + 1 < array.count ? "," : " ");
        if (i > 0 && i % 8 == 0) write_indentation();
        write_raw("\n");
    }
    write_raw("] ");
}

void tavScene_api_file::write_matrix_array(const ParamArray& array) {
    const double* m = static_cast<const double*>(array.data);
    write_raw("[ ");
    for (int i = 0; i < array.count; ++i) {
        write_indentation();
        for (int k = 0; k < 16; ++k) write_raw("%g ", m[16 * i + k]);
        write_raw(i + 1 < array.count ? ",\n" : "\n");
    }
    write_raw("] ");
}
