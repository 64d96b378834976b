// Scene bytes in the export layer's layout: data/room.vsf (a textured quad in group "table", a
// plain one in the top group "room"), data/table.vsf (that quad, one with indexed normals),
// data/forest.vsf (definitions and placements), pieces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene_meshes.h"
#include "scene_parser.h"
#include "scene_placements.h"
#include "test_files.h"

namespace scene_bytes {

inline const std::string kHeader = "//---tavren:dal:3---\n// This is a Vistrel scene file\n\n";

inline std::string data(const std::string& name) {
    return read_file(std::string(VISTREL_TOOLS_DATA) + "/" + name);
}

// A binary block: 01 02 03, the tag, the little-endian item count, the four-byte items.
template <typename T>
std::string block(char tag, const std::vector<T>& items) {
    std::string out = {'\x01', '\x02', '\x03', tag};
    for (int shift = 0; shift < 32; shift += 8) out += char((items.size() >> shift) & 0xff);
    return out.append(reinterpret_cast<const char*>(items.data()), 4 * items.size());
}
inline std::string floats(char tag, const std::vector<float>& items) {
    return block(tag, items);
}
inline std::string ints(const std::vector<std::int32_t>& items) {
    return block('i', items);
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

// Definitions and placements in the writer's layout, in a top group "forest" with a camera: a
// definition holds one triangle object "t"; a placement is a group "name" with a transform line
// and an instance line.
inline std::string define(const std::string& name) {
    return "\n  #define   group \"" + name +
           "\" {\n    object \"t\" {\n      geometry \"triangles\" {\n" +
           array("vertices", floats('c', {0, 0, 0, 1, 0, 0, 0, 1, 0})) +
           array("normals", floats('c', {0, 0, 1, 0, 0, 1, 0, 0, 1})) +
           array("triangles", ints({0, 1, 2})) + "      }\n    }\n  }\n";
}
inline std::string place(const std::string& name, const std::string& group) {
    return "\n  group \"" + group +
           "\" {\n    transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n    instance \"" + name +
           "\"\n  }\n";
}
inline std::string forest(const std::string& body) {
    return kHeader + "\ngroup \"forest\" {\n  \n  camera \"c\" {\n  }\n" + body + "}\n";
}

// The result points into `bytes`, which must outlive it.
inline inspect::ParseResult parse(const std::string& bytes) {
    return inspect::parse_scene(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A scene read as the program reads it; `bytes` must outlive it.
struct ReadScene {
    explicit ReadScene(const std::string& bytes)
        : parsed(parse(bytes)),
          meshes(inspect::find_meshes(parsed.scene)),
          placements(inspect::find_placements(parsed.scene, meshes)) {}
    inspect::ParseResult parsed;
    std::vector<inspect::MeshRef> meshes;
    inspect::ScenePlacements placements;
};

}  // namespace scene_bytes
