// Writes a mesh of one million triangles (positions, normals, texture coordinates, triangles)
// three ways, in the same run and to the same folder:
//   raw      plain fwrite of the array blocks' bytes, the most any writer can hope for;
//   writer   the scene writer alone, fed one element per add_array_value call through the
//            interface;
//   builder  SceneBuilder: add_vertex, add_normal, add_uv, add_triangle, then end_mesh, as the
//            exporter drives it, from open_scene to close_scene; its lists reused from the
//            last run, as from one mesh to the next of an export;
//   new_builder  the same with a new SceneBuilder, whose lists take fresh memory.
//
// usage: writer_bench [--tsv] [output folder] [triangles] [runs]
// --tsv prints one line per way: name, median wall seconds, median processor seconds, bytes.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "SceneBuilder.h"
#include "tavScene_api_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// Wall time and the process's processor time (user and system), in seconds; processor time
// is the steadier figure on a machine shared with other work.
struct Times {
    double wall = 0;
    double cpu = 0;
};

double cpu_now() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class Stopwatch {
  public:
    Times elapsed() const {
        return {std::chrono::duration<double>(Clock::now() - wall_start).count(),
                cpu_now() - cpu_start};
    }

  private:
    Clock::time_point wall_start = Clock::now();
    double cpu_start = cpu_now();
};

struct Mesh {
    std::vector<float> vertices;  // three floats per vertex
    std::vector<float> normals;   // three floats per vertex
    std::vector<float> uvs;       // two floats per vertex
    std::vector<int> triangles;   // three vertex indices per triangle, from 0
    std::size_t item_bytes() const {
        return 4 * (vertices.size() + normals.size() + uvs.size() + triangles.size());
    }
};

Mesh make_mesh(int triangle_count) {
    Mesh mesh;
    const std::size_t n = static_cast<std::size_t>(triangle_count);
    for (std::size_t i = 0; i < 3 * n; ++i) {
        mesh.vertices.push_back(static_cast<float>(i % 1000) * 0.001f);
        mesh.normals.push_back(static_cast<float>(i % 3 == 2));
        mesh.triangles.push_back(static_cast<int>((i / 3 + i % 3) % n));
    }
    for (std::size_t i = 0; i < 2 * n; ++i) mesh.uvs.push_back(static_cast<float>(i % 7) * 0.125f);
    return mesh;
}

void write_block(FILE* file, char tag, const void* items, std::size_t item_count) {
    const std::uint32_t n = static_cast<std::uint32_t>(item_count);
    const unsigned char header[8] = {1,
                                     2,
                                     3,
                                     static_cast<unsigned char>(tag),
                                     static_cast<unsigned char>(n),
                                     static_cast<unsigned char>(n >> 8),
                                     static_cast<unsigned char>(n >> 16),
                                     static_cast<unsigned char>(n >> 24)};
    std::fwrite(header, 1, sizeof header, file);
    std::fwrite(items, 4, item_count, file);
}

bool write_raw(const Mesh& mesh, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    write_block(file, 'c', mesh.vertices.data(), mesh.vertices.size());
    write_block(file, 'c', mesh.normals.data(), mesh.normals.size());
    write_block(file, 'f', mesh.uvs.data(), mesh.uvs.size());
    write_block(file, 'i', mesh.triangles.data(), mesh.triangles.size());
    return std::fclose(file) == 0;
}

// Kept out of line so the array calls go through the interface, as callers make them.
__attribute__((noinline)) tavScene_api* open_writer(FILE* file) {
    return new tavScene_api_file(file, true);
}

void write_elements(tavScene_api& writer, const char* name, int kind, const void* list,
                    std::size_t count, std::size_t step) {
    writer.begin_array_param(name);
    const char* items = static_cast<const char*>(list);
    for (std::size_t i = 0; i < count; i += step) writer.add_array_value(kind, items + 4 * i);
    writer.end_array_param();
}

bool write_through_writer(const Mesh& mesh, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    tavScene_api* writer = open_writer(file);
    writer->begin_object("mesh", true);
    writer->begin_geometry("triangles");
    write_elements(*writer, "vertices", PARAM_COLOR, mesh.vertices.data(), mesh.vertices.size(), 3);
    write_elements(*writer, "normals", PARAM_COLOR, mesh.normals.data(), mesh.normals.size(), 3);
    write_elements(*writer, "uv_tex", PARAM_FLOAT, mesh.uvs.data(), mesh.uvs.size(), 1);
    write_elements(*writer, "triangles", PARAM_INT, mesh.triangles.data(), mesh.triangles.size(),
                   1);
    writer->end_geometry();
    writer->end_object();
    const int error = static_cast<tavScene_api_file*>(writer)->close();
    delete writer;
    return error == 0;
}

void write_mesh(SceneBuilder& builder, const Mesh& mesh, const std::string& path) {
    builder.open_scene(path.c_str(), "bench");
    builder.begin_mesh("mesh");
    builder.set_name("mesh");
    const std::size_t vertex_count = mesh.vertices.size() / 3;
    builder.reserve_mesh(vertex_count, mesh.triangles.size() / 3);
    for (std::size_t k = 0; k < vertex_count; ++k) {
        const float* p = &mesh.vertices[3 * k];
        const float* n = &mesh.normals[3 * k];
        builder.add_vertex(p[0], p[1], p[2]);
        builder.add_normal(n[0], n[1], n[2]);
        builder.add_uv(mesh.uvs[2 * k], mesh.uvs[2 * k + 1]);
    }
    for (std::size_t t = 0; t < mesh.triangles.size(); t += 3)
        builder.add_triangle(mesh.triangles[t], mesh.triangles[t + 1], mesh.triangles[t + 2]);
    builder.set_texture("");
    builder.set_diffuse(1, 1, 1);
    builder.set_alpha(1);
    builder.end_mesh();
    builder.close_scene();
}

// The lists of a builder that has written a mesh before keep their storage, as they do from
// one mesh to the next within an export.
bool write_through_warm_builder(const Mesh& mesh, const std::string& path) {
    static SceneBuilder builder;
    write_mesh(builder, mesh, path);
    return true;
}

// A new builder's lists take fresh memory from the system, as for the first mesh of an export.
bool write_through_new_builder(const Mesh& mesh, const std::string& path) {
    SceneBuilder builder;
    write_mesh(builder, mesh, path);
    return true;
}

struct Way {
    const char* name;
    std::function<bool(const Mesh&, const std::string&)> write;
    std::vector<double> wall, cpu;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    bool tsv = false;
    if (argc > 1 && std::strcmp(argv[1], "--tsv") == 0) {
        tsv = true;
        --argc;
        ++argv;
    }
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const int triangle_count = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    if (triangle_count <= 0 || runs <= 0) {
        std::fprintf(stderr, "usage: writer_bench [--tsv] [output folder] [triangles] [runs]\n");
        return 2;
    }
    const Mesh mesh = make_mesh(triangle_count);
    const std::string path = folder + "/writer_bench.vsf";
    std::vector<Way> ways = {{"raw", write_raw, {}, {}},
                             {"writer", write_through_writer, {}, {}},
                             {"builder", write_through_warm_builder, {}, {}},
                             {"new_builder", write_through_new_builder, {}, {}}};

    // The ways take turns in every run, so they meet the same cache and disk state.
    for (int run = 0; run < runs; ++run) {
        for (Way& way : ways) {
            // A fresh file: truncating the last run's output would be timed as well.
            std::remove(path.c_str());
            const Stopwatch stopwatch;
            if (!way.write(mesh, path)) {
                std::fprintf(stderr, "writer_bench: cannot write to %s\n", folder.c_str());
                return 1;
            }
            const Times times = stopwatch.elapsed();
            way.wall.push_back(times.wall);
            way.cpu.push_back(times.cpu);
        }
    }
    std::remove(path.c_str());

    const double bytes = static_cast<double>(mesh.item_bytes());
    if (tsv) {
        for (const Way& way : ways)
            std::printf("%s\t%.6f\t%.6f\t%.0f\n", way.name, median(way.wall), median(way.cpu),
                        bytes);
        return 0;
    }
    std::printf("mesh: %d vertices, %d triangles, %.1f MB of array data, median of %d runs\n",
                triangle_count, triangle_count, bytes / 1e6, runs);
    const double raw_wall = median(ways[0].wall);
    for (const Way& way : ways) {
        const double wall = median(way.wall), cpu = median(way.cpu);
        std::printf("%-11s wall %7.2f ms (%5.0f MB/s)  cpu %7.2f ms  throughput vs raw %3.0f%%\n",
                    way.name, wall * 1e3, bytes / 1e6 / wall, cpu * 1e3, 100.0 * raw_wall / wall);
    }
    return 0;
}
