// Builds scene file bytes by hand, in the exact layout the scene writer produces, for the
// reader's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "scene_parser.h"

namespace scene_bytes {

inline const std::string kHeader = "//---tavren:dal:3---\n// This is a Vistrel scene file\n\n";

// A binary block: 01 02 03, the tag, the little-endian item count, the items.
inline std::string block(char tag, std::int32_t count, const void* items, std::size_t bytes) {
    std::string out = {'\x01', '\x02', '\x03', tag};
    for (int shift = 0; shift < 32; shift += 8) out += char((std::uint32_t(count) >> shift) & 0xff);
    out.append(static_cast<const char*>(items), bytes);
    return out;
}
inline std::string floats(char tag, const std::vector<float>& items) {
    return block(tag, std::int32_t(items.size()), items.data(), 4 * items.size());
}
inline std::string ints(const std::vector<std::int32_t>& items) {
    return block('i', std::int32_t(items.size()), items.data(), 4 * items.size());
}

// A binary array parameter at the given indentation, as end_array_param writes it.
inline std::string array(int indent, const std::string& name, const std::string& binary) {
    const std::string pad(indent, ' ');
    return pad + "\"" + name + "\" [\n" + pad + "  " + binary + " ],\n";
}

// An object as the export layer writes it at indentation 4, with a "tav_advanced" material;
// `arrays` is the body of its geometry block.
inline std::string object(const std::string& name, const std::string& arrays,
                          const std::string& material, const std::string& texture = "") {
    std::string out = "\n    object \"" + name + "\" {\n      geometry \"triangles\" {\n" + arrays +
                      "      }\n      material \"" + material + "\" {\n" +
                      "      surface         \"tav_advanced\" {\n"
                      "          \"diffuse\" 0.2 0.4 0.6,\n"
                      "          \"specular\" 0 0 0,\n"
                      "          \"fresnel\" on,\n"
                      "          \"roughness\" -1,\n"
                      "          \"ior\" 1.5,\n"
                      "          \"glossy\" on,\n"
                      "          \"glossy_samples\" 9,\n"
                      "          \"alpha\" 0.5,\n";
    if (!texture.empty()) {
        out +=
            "          \"diffuse\" !           \"texture_rgb\" {\n"
            "            \"project\" 3,\n"
            "            \"wrap\" on,\n"
            "            \"texture\" " +
            texture +
            ",\n"
            "            \"default_color\" 0.2 0.4 0.6,\n"
            "          }          ,\n";
    }
    return out + "        }        \n      }\n    }\n";
}

// The opening of an exported scene: header, top group, "auto" accel and the camera with its
// spliced environment shader.
inline std::string scene_start(const std::string& top = "room") {
    return kHeader + "\ngroup \"" + top + "\" {\n  \n  accel \"auto\" {\n  }\n" +
           "  \n  camera \"last_active\" {\n"
           "    reflection map   \"tav_envmap\" {\n"
           "    \"texture\" \"startup.hdr\",\n"
           "    \"format\" 3,\n"
           "    \"radius\" 25,\n"
           "    \"transform\" 0 0 -1 0 1 0 0 0 0 1 0 0 0 0 0 1,\n"
           "  }\n"
           "    position 1 2 3.5\n"
           "    direction 0 0 -1\n"
           "    up 0 1 0\n"
           "    fov 45\n"
           "    transform 0 0 1 0 0 1 0 0 1 0 0 0 0 0 0 1\n"
           "  }\n";
}

// A unit quad: 4 vertices with normals and uvs, 2 triangles.
inline std::string quad_arrays(const std::vector<std::int32_t>& triangles = {0, 1, 2, 0, 2, 3}) {
    return array(8, "vertices", floats('c', {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0})) +
           array(8, "normals", floats('c', {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1})) +
           array(8, "uv_tex", floats('f', {0, 0, 1, 0, 1, 1, 0, 1})) +
           array(8, "triangles", ints(triangles));
}

// A whole exported scene: one group "table" holding a textured quad, and a plain quad
// directly in the top group.
inline std::string sample_scene(const std::string& texture = "\"wood.png\"") {
    return scene_start() + "\n  group \"table\" {\n" + object("0", quad_arrays(), "wood", texture) +
           "  }\n" + object("1", quad_arrays(), "red") + "}\n";
}

inline inspect::ParseResult parse(const std::string& bytes) {
    return inspect::parse_scene(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace scene_bytes
