// Scene file bytes for the reader's tests, in the export layer's layout: stored scenes in data/
// (room.vsf: a textured quad in group "table" and a plain quad in the top group "room";
// table.vsf: the same textured quad and a quad with indexed normals) and pieces built by hand.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scene_parser.h"

namespace scene_bytes {

inline const std::string kHeader = "//---tavren:dal:3---\n// This is a Vistrel scene file\n\n";

inline std::string read_text(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
inline std::string data(const std::string& name) {
    return read_text(std::string(VISTREL_TOOLS_DATA) + "/" + name);
}

// A binary block: 01 02 03, the tag, the little-endian item count, the items.
inline std::string block(char tag, std::int32_t count, const void* items, std::size_t bytes) {
    std::string out = {'\x01', '\x02', '\x03', tag};
    for (int shift = 0; shift < 32; shift += 8) out += char((std::uint32_t(count) >> shift) & 0xff);
    return out.append(static_cast<const char*>(items), bytes);
}
inline std::string floats(char tag, const std::vector<float>& items) {
    return block(tag, std::int32_t(items.size()), items.data(), 4 * items.size());
}
inline std::string ints(const std::vector<std::int32_t>& items) {
    return block('i', std::int32_t(items.size()), items.data(), 4 * items.size());
}

// A binary array parameter of a geometry block.
inline std::string array(const std::string& name, const std::string& binary) {
    return "        \"" + name + "\" [\n          " + binary + " ],\n";
}

// A scene with a top group and a camera whose one object has these geometry arrays.
inline std::string scene_with(const std::string& arrays) {
    return kHeader + "\ngroup \"room\" {\n  \n  camera \"c\" {\n  }\n\n    object \"bad\" {\n" +
           "      geometry \"triangles\" {\n" + arrays + "      }\n    }\n}\n";
}

// A temporary folder, removed with everything in it.
struct TempDir {
    std::string path = [] {
        char name[] = "/tmp/inspect-test-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    ~TempDir() { std::filesystem::remove_all(path); }
};

// The result points into `bytes`, which must outlive it.
inline inspect::ParseResult parse(const std::string& bytes) {
    return inspect::parse_scene(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace scene_bytes
