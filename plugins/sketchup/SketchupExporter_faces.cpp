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

// A vertex number counted from 1, moved by offset, counted from 0; it wraps around as the 32-bit
// index it is written as, since numbers near the ends of int would overflow.
int zero_based(int number, unsigned offset = 0) {
    return static_cast<int>(static_cast<unsigned>(number) + offset - 1u);
}

// A channel of 0 to 255 as a fraction, not clamped.
float unit(int channel) {
    return static_cast<float>(channel / 255.0);
}

// A count as the number of things it adds: none for zero or less.
std::size_t count_of(int n) {
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void check_array(const char* operation, const char* argument, const void* values, int count) {
    if (count > 0 && !values)
        throw std::invalid_argument(std::string(operation) + ": " + argument + " is missing");
}

template <typename T>
KeptArray<T> copy_array(const char* operation, const char* argument, const T* values, int count) {
    check_array(operation, argument, values, count);
    if (count <= 0) return {};
    return KeptArray<T>(values, 3 * static_cast<std::size_t>(count));
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
    reserve_mesh(count_of(num_vertices), count_of(num_faces));
    for (int k = 0; k < num_vertices; ++k) {
        add_vertex(vs[3 * k], vs[3 * k + 1], vs[3 * k + 2]);
        add_normal(ns[3 * k], ns[3 * k + 1], ns[3 * k + 2]);
        add_uv(uvs[3 * k], uvs[3 * k + 1]);
    }
    for (int t = 0; t < num_faces; ++t)
        add_triangle(zero_based(fs[3 * t]), zero_based(fs[3 * t + 1]), zero_based(fs[3 * t + 2]));
    set_texture(texture_path ? texture_path : "");
    end_mesh();
}

void SketchupExporter::add_faces2(int num_vertices, int num_faces, const float* vs, const int* fs,
                                  const float* ns, const float* uvs, const char* material,
                                  const char* texture_path, int r, int g, int b, float a) {
    export_open();  // a forked child first drops the parent's batches
    BatchedFaces call;
    call.positions = copy_array("add_faces2", "vs", vs, num_vertices);
    call.normals = copy_array("add_faces2", "ns", ns, num_vertices);
    call.uvs = copy_array("add_faces2", "uvs", uvs, num_vertices);
    call.vertex_numbers = copy_array("add_faces2", "fs", fs, num_faces);
    add_batched(std::move(call), num_vertices, num_faces, material, texture_path, r, g, b, a);
}

void SketchupExporter::add_faces2_keeping(int num_vertices, int num_faces, float* vs, int* fs,
                                          float* ns, float* uvs, const char* material,
                                          const char* texture_path, int r, int g, int b, float a,
                                          KeptArray<float>::Release release) {
    BatchedFaces call;
    call.positions = KeptArray<float>(vs, release);
    call.normals = KeptArray<float>(ns, release);
    call.uvs = KeptArray<float>(uvs, release);
    call.vertex_numbers = KeptArray<int>(fs, release);
    check_array("add_faces2", "vs", vs, num_vertices);
    check_array("add_faces2", "ns", ns, num_vertices);
    check_array("add_faces2", "uvs", uvs, num_vertices);
    check_array("add_faces2", "fs", fs, num_faces);
    export_open();  // a forked child first drops the parent's batches
    add_batched(std::move(call), num_vertices, num_faces, material, texture_path, r, g, b, a);
}

void SketchupExporter::add_batched(BatchedFaces call, int num_vertices, int num_faces,
                                   const char* material, const char* texture_path, int r, int g,
                                   int b, float a) {
    call.face = Face(num_vertices, num_faces, nullptr, nullptr, nullptr, nullptr, material,
                     texture_path, r, g, b, a);
    Batch& batch = batches[batch_key(material, r, g, b)];
    // Put into the written form now, while the arrays are fresh in the cache.
    const std::size_t vertex_count = count_of(num_vertices);
    float* uv = call.uvs.data();
    for (std::size_t k = 0; k < vertex_count; ++k) {
        uv[2 * k] = uv[3 * k];  // (u, v, unused) triples become pairs
        uv[2 * k + 1] = uv[3 * k + 1];
    }
    int* f = call.vertex_numbers.data();
    for (std::size_t i = 0; i < 3 * count_of(num_faces); ++i)
        f[i] = zero_based(f[i], batch.vertex_count);
    batch.calls.push_back(std::move(call));
    batch.vertex_count += static_cast<unsigned>(vertex_count);
}

void SketchupExporter::flush_batches() {
    if (batches.empty()) return;
    require_open("flush_batches");
    // Each batch leaves the map before it is written: it gives up its arrays as it goes, so a
    // failure part-way drops it rather than leaving what is left of it for a later flush.
    while (!batches.empty()) {
        auto batch = batches.extract(batches.begin());
        write_batch(batch.key(), batch.mapped().calls);
    }
}

// All calls of one key as one mesh; material settings come from the first call alone. The mesh
// is written from the calls' own arrays, which the scene layer borrows rather than copies.
void SketchupExporter::write_batch(const std::string& key, std::vector<BatchedFaces>& calls) {
    begin_mesh(key.c_str());
    set_name(key.c_str());
    try {
        for (BatchedFaces& call : calls) {
            const std::size_t vertex_count = count_of(call.face.num_p);
            lend_vertices(call.positions.data(), vertex_count);
            lend_normals(call.normals.data(), vertex_count);
            lend_uvs(call.uvs.data(), vertex_count);
            lend_triangles(call.vertex_numbers.data(), count_of(call.face.num_f));
        }
        const Face& first = calls.front().face;
        set_texture(first.texture);
        set_diffuse(unit(first.r), unit(first.g), unit(first.b));
        set_alpha(first.a);
    } catch (...) {
        forget_lent();
        throw;
    }
    end_mesh();
}

void SketchupExporter::begin_group(const char* group_name) {
    require_open("begin_group");
    if (group_name && *group_name) {
        open_group(group_name);
        ++open_groups;
        return;
    }
    char numbered[32];
    std::snprintf(numbered, sizeof numbered, "Group #%d", group_counter);
    ++group_counter;
    open_group(numbered);
    ++open_groups;
}

void SketchupExporter::end_group() {
    require_open("end_group");
    if (open_groups == 0) throw std::logic_error("end_group: no group is open");
    flush_batches();
    close_group();
    --open_groups;
}
