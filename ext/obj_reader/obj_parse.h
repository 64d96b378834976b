// Reads OBJ text with tinyobjloader's streaming parser into an ObjBuilder.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "obj_builder.h"

namespace vistrel_obj {

// Malformed input; the reader adds the file and line.
class ReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the parser asks of its caller: the text, and the materials, which the caller keeps.
class ParseHandler {
  public:
    virtual ~ParseHandler() = default;
    // Appends the next chunk of text; false at the end.
    virtual bool read_chunk(std::string& buffer) = 0;
    // usemtl: the number that keys the material's meshes.
    virtual int material(const std::string& name, int64_t line) = 0;
    // mtllib: the rest of the line, as written.
    virtual void material_library(const std::string& names, int64_t line) = 0;
};

// Throws ReadError with the message "LINE: text" for malformed input; exceptions of the
// handler pass through.
void parse_obj(ObjBuilder& builder, ParseHandler& handler);

}  // namespace vistrel_obj
