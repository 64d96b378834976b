// Parses the bytes of a scene file into a Scene. Safe on any input: it never reads outside
// the buffer, takes blocks nested to any depth without recursion, and allocates nothing for
// binary data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "scene_model.h"

namespace inspect {

enum class ParseStatus {
    ok,
    truncated,  // the data ends before the structure does, e.g. an export that was cut off
    malformed,  // something other than the end of the data breaks the format
};

struct ParseResult {
    Scene scene;  // what was read up to the error
    ParseStatus status = ParseStatus::ok;
    std::size_t error_offset = 0;
    // What was expected and what was found; for a truncated file also the blocks left open.
    std::string message;
};

// The magic line that starts every scene file.
constexpr const char* kMagicLine = "//---tavren:dal:3---";

ParseResult parse_scene(const std::uint8_t* data, std::size_t size);

}  // namespace inspect
