// Meshes handed over by the modeller: written at once, or batched per material and written
// when the group ends; groups and their numbering.
#include <cstdio>
#include <stdexcept>

#include "SketchupExporter.h"

namespace {

// The material name, or for faces without one a name made from their colour.
std::string batch_key(const char* material, int r, int g, int b) {
    if (material && *material) return material;
    char key[48];
    std::snprintf(key, sizeof key, "Default %d:%d:%d", r, g, b);
    return key;
}

// A channel of 0 to 255 as a fraction, not clamped.
float unit(int channel) {
    return static_cast<float>(channel / 255.0);
}

template <typename T>
std::vector<T> copy_array(const char* operation, const char* argument, const T* values, int count) {
    if (count <= 0) return {};
    if (!values)
        throw std::invalid_argument(std::string(operation) + ": " + argument + " is missing");
    return std::vector<T>(values, values + 3 * static_cast<std::size_t>(count));
}

void check_array(const char* operation, const char* argument, const void* values, int count) {
    if (count > 0 && !values)
        throw std::invalid_argument(std::string(operation) + ": " + argument + " is missing");
}

}  // namespace

void SketchupExporter::add_faces(int num_vertices, int num_faces, const float* vs, const int* fs,
                                 const float* ns, const float* uvs, const char* material,
                                 const char* texture_path, int r, int g, int b, float a) {
    require_open("add_faces");
    check_array("add_faces", "vs", vs, num_vertices);
    check_array("add_faces", "ns", ns, num_vertices);
    check_array("add_faces", "uvs", uvs, num_vertices);
    check_array("add_faces", "fs", fs, num_faces);
    const std::string key = batch_key(material, r, g, b);
    begin_mesh(key.c_str());
    set_name(key.c_str());
    set_diffuse(unit(r), unit(g), unit(b));
    set_alpha(a);
    for (int k = 0; k < num_vertices; ++k) {
        add_vertex(vs[3 * k], vs[3 * k + 1], vs[3 * k + 2]);
        add_normal(ns[3 * k], ns[3 * k + 1], ns[3 * k + 2]);
        add_uv(uvs[3 * k], uvs[3 * k + 1]);
    }
    for (int t = 0; t < num_faces; ++t)
        add_triangle(fs[3 * t] - 1, fs[3 * t + 1] - 1, fs[3 * t + 2] - 1);
    set_texture(texture_path ? texture_path : "");
    end_mesh();
}

void SketchupExporter::add_faces2(int num_vertices, int num_faces, const float* vs, const int* fs,
                                  const float* ns, const float* uvs, const char* material,
                                  const char* texture_path, int r, int g, int b, float a) {
    BatchedFaces call;
    call.positions = copy_array("add_faces2", "vs", vs, num_vertices);
    call.normals = copy_array("add_faces2", "ns", ns, num_vertices);
    call.uvs = copy_array("add_faces2", "uvs", uvs, num_vertices);
    call.vertex_numbers = copy_array("add_faces2", "fs", fs, num_faces);
    call.face = Face(num_vertices, num_faces, nullptr, nullptr, nullptr, nullptr, material,
                     texture_path, r, g, b, a);
    batches[batch_key(material, r, g, b)].push_back(std::move(call));
}

void SketchupExporter::flush_batches() {
    if (batches.empty()) return;
    require_open("flush_batches");
    for (const auto& [key, calls] : batches) write_batch(key, calls);
    batches.clear();
}

// All calls of one key as one mesh; material settings come from the first call alone.
void SketchupExporter::write_batch(const std::string& key, const std::vector<BatchedFaces>& calls) {
    begin_mesh(key.c_str());
    set_name(key.c_str());
    for (const BatchedFaces& call : calls) {
        const std::vector<float>& p = call.positions;
        const std::vector<float>& n = call.normals;
        for (int k = 0; k < call.face.num_p; ++k) {
            add_vertex(p[3 * k], p[3 * k + 1], p[3 * k + 2]);
            add_normal(n[3 * k], n[3 * k + 1], n[3 * k + 2]);
            add_uv(call.uvs[3 * k], call.uvs[3 * k + 1]);
        }
    }
    // Each call numbers its vertices from 1; they follow the vertices of the calls before it.
    int base = 0;
    for (const BatchedFaces& call : calls) {
        const std::vector<int>& f = call.vertex_numbers;
        for (int t = 0; t < call.face.num_f; ++t)
            add_triangle(f[3 * t] + base - 1, f[3 * t + 1] + base - 1, f[3 * t + 2] + base - 1);
        if (call.face.num_p > 0) base += call.face.num_p;
    }
    const Face& first = calls.front().face;
    set_texture(first.texture);
    set_diffuse(unit(first.r), unit(first.g), unit(first.b));
    set_alpha(first.a);
    end_mesh();
}

void SketchupExporter::begin_group(const char* group_name) {
    require_open("begin_group");
    if (group_name && *group_name) {
        open_group(group_name);
        return;
    }
    char numbered[32];
    std::snprintf(numbered, sizeof numbered, "Group #%d", group_counter);
    ++group_counter;
    open_group(numbered);
}

void SketchupExporter::end_group() {
    require_open("end_group");
    flush_batches();
    close_group();
}
