// Writes a mesh of one million triangles through the scene writer in binary mode and compares
// it with a plain fwrite of the same array bytes, in the same run and to the same folder.
//
// usage: writer_bench [output folder] [triangles] [runs]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

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
    std::vector<int> triangles;   // three vertex numbers per triangle
};

Mesh make_mesh(int triangle_count) {
    Mesh mesh;
    const int vertex_count = triangle_count;
    mesh.vertices.resize(3 * static_cast<std::size_t>(vertex_count));
    mesh.triangles.resize(3 * static_cast<std::size_t>(triangle_count));
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        mesh.vertices[i] = static_cast<float>(i % 1000) * 0.001f;
    }
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        mesh.triangles[i] = static_cast<int>((i / 3 + i % 3) % vertex_count);
    }
    return mesh;
}

// Kept out of line so the array calls go through the interface, as callers make them.
__attribute__((noinline)) tavScene_api* open_writer(FILE* file) {
    return new tavScene_api_file(file, true);
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

bool write_raw(const Mesh& mesh, const std::string& path, Times& times) {
    const Stopwatch stopwatch;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    write_block(file, 'c', mesh.vertices.data(), mesh.vertices.size());
    write_block(file, 'i', mesh.triangles.data(), mesh.triangles.size());
    if (std::fclose(file) != 0) return false;
    times = stopwatch.elapsed();
    return true;
}

bool write_scene(const Mesh& mesh, const std::string& path, Times& times) {
    const Stopwatch stopwatch;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    tavScene_api* writer = open_writer(file);
    writer->begin_object("mesh", true);
    writer->begin_geometry("triangles");
    writer->begin_array_param("vertices");
    for (std::size_t i = 0; i < mesh.vertices.size(); i += 3) {
        writer->add_array_value(PARAM_COLOR, &mesh.vertices[i]);
    }
    writer->end_array_param();
    writer->begin_array_param("triangles");
    for (const int& vertex_number : mesh.triangles) {
        writer->add_array_value(PARAM_INT, &vertex_number);
    }
    writer->end_array_param();
    writer->end_geometry();
    writer->end_object();
    const int error = static_cast<tavScene_api_file*>(writer)->close();
    delete writer;
    if (error != 0) return false;
    times = stopwatch.elapsed();
    return true;
}

void report(const char* clock, std::vector<double> raw, std::vector<double> scene,
            double megabytes) {
    std::sort(raw.begin(), raw.end());
    std::sort(scene.begin(), scene.end());
    const struct {
        const char* label;
        std::size_t index;
    } rows[] = {{"best", 0}, {"median", raw.size() / 2}};
    for (const auto& row : rows) {
        const double r = raw[row.index], w = scene[row.index];
        std::printf(
            "%-4s %-6s raw fwrite %6.2f ms (%5.0f MB/s)  scene writer %6.2f ms (%5.0f MB/s)"
            "  writer/raw throughput %3.0f%%\n",
            clock, row.label, r * 1e3, megabytes / r, w * 1e3, megabytes / w, 100.0 * r / w);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const int triangle_count = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 11;
    if (triangle_count <= 0 || runs <= 0) {
        std::fprintf(stderr, "usage: writer_bench [output folder] [triangles] [runs]\n");
        return 2;
    }
    const Mesh mesh = make_mesh(triangle_count);
    const std::string raw_path = folder + "/writer_bench_raw.bin";
    const std::string writer_path = folder + "/writer_bench_scene.vsf";
    const double megabytes =
        static_cast<double>(4 * (mesh.vertices.size() + mesh.triangles.size())) / 1e6;

    // Several runs, alternating, so both meet the same cache and disk state; the best and
    // the median of each are reported, as other programs on the machine add noise.
    std::vector<double> raw_wall, raw_cpu, scene_wall, scene_cpu;
    for (int run = 0; run < runs; ++run) {
        // Fresh files: truncating the last run's output would be timed as well.
        std::remove(raw_path.c_str());
        std::remove(writer_path.c_str());
        Times raw, scene;
        if (!write_raw(mesh, raw_path, raw) || !write_scene(mesh, writer_path, scene)) {
            std::fprintf(stderr, "writer_bench: cannot write to %s\n", folder.c_str());
            return 1;
        }
        raw_wall.push_back(raw.wall);
        raw_cpu.push_back(raw.cpu);
        scene_wall.push_back(scene.wall);
        scene_cpu.push_back(scene.cpu);
    }
    std::remove(raw_path.c_str());
    std::remove(writer_path.c_str());

    std::printf("mesh: %d vertices, %d triangles, %.1f MB of array data, %d runs\n", triangle_count,
                triangle_count, megabytes, runs);
    report("wall", raw_wall, scene_wall, megabytes);
    report("cpu", raw_cpu, scene_cpu, megabytes);
    return 0;
}
