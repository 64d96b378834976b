// The main job against tinyobjloader's own parse of the same model, with peak memory.
//
//   obj_bench FOLDER TRIANGLES RUNS EXPORT_COMMAND...
//   obj_bench --models FOLDER RUNS MODEL.obj... -- EXPORT_COMMAND...
//
// The first writes FOLDER/bench_model.obj (a grid of TRIANGLES triangles with positions, uvs and
// normals, in 4 objects of 2 groups each, 3 materials) with its MTL file, then, RUNS times in
// turn, in child processes: tinyobjloader's LoadObj of the file, and EXPORT_COMMAND MODEL -o
// SCENE -q. A run of the command on a model without faces gives the memory the job takes without
// a model. Prints the median wall time and peak resident memory of each, and their ratios.
// The second does the same for each MODEL given (scenes go to FOLDER), taking the best of RUNS,
// and prints a row per model.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Run {
    double seconds;  // wall
    double cpu;      // user and system
    double peak_mb;
};

void write_model(const std::string& path, long triangles) {
    const long side = std::max(2L, static_cast<long>(std::sqrt(triangles / 2.0)) + 1);
    const long quads = (triangles + 1) / 2;
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        std::perror(path.c_str());
        std::exit(2);
    }
    std::fprintf(f, "mtllib bench_model.mtl\n");
    for (long i = 0; i <= side; ++i) {
        for (long j = 0; j <= side; ++j) {
            const double x = j * 0.01, y = i * 0.01;
            std::fprintf(f, "v %.4f %.4f %.4f\nvt %.4f %.4f\nvn 0 0 1\n", x, y,
                         0.001 * ((i * 7 + j) % 13), double(j) / side, double(i) / side);
        }
    }
    const long per_group = (quads + 7) / 8;
    for (long q = 0; q < quads; ++q) {
        if (q % per_group == 0) {
            const long g = q / per_group;
            if (g % 2 == 0) std::fprintf(f, "o part%ld\n", g / 2);
            std::fprintf(f, "g piece%ld\n", g % 2);
        }
        if (q % (per_group / 3 + 1) == 0)
            std::fprintf(f, "usemtl m%ld\n", (q / (per_group / 3 + 1)) % 3);
        const long row = q / side, col = q % side;
        const long a = row * (side + 1) + col + 1, b = a + 1, c = a + side + 1, d = c + 1;
        std::fprintf(f, "f %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld\n", a, a, a, b, b, b, d, d, d);
        if (2 * q + 1 < triangles)
            std::fprintf(f, "f %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld\n", a, a, a, d, d, d, c, c, c);
    }
    std::fclose(f);
}

// Runs child() or execs argv in a child process; wall time and peak resident memory.
template <typename Child>
Run measure(Child child) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        child();
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "obj_bench: a child failed (status %d)\n", status);
        std::exit(1);
    }
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return {seconds, cpu, usage.ru_maxrss / 1024.0};
}

Run run_command(const std::vector<std::string>& command, const std::string& model,
                const std::string& scene) {
    return measure([&] {
        std::vector<std::string> args = command;
        args.insert(args.end(), {model, "-o", scene, "-q"});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    });
}

Run run_parse(const std::string& model, const std::string& folder) {
    return measure([&] {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn, err;
        if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, model.c_str(),
                              folder.c_str()))
            _exit(1);
    });
}

double file_mb(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    const double mb = std::ftell(f) / (1024.0 * 1024.0);
    std::fclose(f);
    return mb;
}

// Triangles of the model's faces split as fans (a face of n corners gives n - 2).
long count_triangles(const std::string& path) {
    std::ifstream in(path);
    long triangles = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.size() < 2 || line[0] != 'f' || !std::isspace(static_cast<unsigned char>(line[1])))
            continue;
        std::istringstream words(line.substr(2));
        long corners = 0;
        for (std::string word; words >> word && word[0] != '#';) ++corners;
        if (corners > 2) triangles += corners - 2;
    }
    return triangles;
}

// Each figure's best.
Run best(const std::vector<Run>& runs) {
    Run b = runs.front();
    for (const Run& r : runs) {
        b.seconds = std::min(b.seconds, r.seconds);
        b.cpu = std::min(b.cpu, r.cpu);
        b.peak_mb = std::min(b.peak_mb, r.peak_mb);
    }
    return b;
}

int real_models(const std::string& folder, int runs, const std::vector<std::string>& models,
                const std::vector<std::string>& command) {
    const std::string scene = folder + "/bench_real.vsf";
    std::printf("-- main job on real models against tinyobjloader's parse, best of %d runs\n",
                runs);
    std::printf("%-14s %9s %6s   %-24s %-24s %s\n", "model", "triangles", "OBJ MB",
                "main job: wall, cpu s,", "LoadObj: wall, cpu s,", "ratio of wall");
    std::printf("%-14s %9s %6s   %-24s %-24s %s\n", "", "", "", "peak RSS MB", "peak RSS MB",
                "(of cpu) times");
    for (const std::string& model : models) {
        std::vector<Run> parses, jobs;
        for (int r = 0; r < runs; ++r) {
            parses.push_back(run_parse(model, folder));
            jobs.push_back(run_command(command, model, scene));
        }
        const Run parse = best(parses), job = best(jobs);
        const std::string name = model.substr(model.find_last_of('/') + 1);
        std::printf(
            "%-14s %9ld %6.1f   %5.2f %5.2f %8.1f     %5.2f %5.2f %8.1f     %.2fx (%.2fx)\n",
            name.c_str(), count_triangles(model), file_mb(model), job.seconds, job.cpu, job.peak_mb,
            parse.seconds, parse.cpu, parse.peak_mb, job.seconds / parse.seconds,
            job.cpu / parse.cpu);
        std::remove(scene.c_str());
    }
    return 0;
}

// Each figure's own median.
Run median(const std::vector<Run>& runs) {
    auto of = [&](double Run::*field) {
        std::vector<double> values;
        for (const Run& r : runs) values.push_back(r.*field);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {of(&Run::seconds), of(&Run::cpu), of(&Run::peak_mb)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 6 && std::string(argv[1]) == "--models") {
        const std::vector<std::string> args(argv + 4, argv + argc);
        const auto dashes = std::find(args.begin(), args.end(), "--");
        if (dashes != args.end() && dashes != args.begin() && dashes + 1 != args.end())
            return real_models(argv[2], std::max(1, std::atoi(argv[3])), {args.begin(), dashes},
                               {dashes + 1, args.end()});
    }
    if (argc < 5 || std::string(argv[1]) == "--models") {
        std::fprintf(stderr,
                     "usage: obj_bench FOLDER TRIANGLES RUNS EXPORT_COMMAND...\n"
                     "       obj_bench --models FOLDER RUNS MODEL.obj... -- EXPORT_COMMAND...\n");
        return 2;
    }
    const std::string folder = argv[1];
    const long triangles = std::atol(argv[2]);
    const int runs = std::max(1, std::atoi(argv[3]));
    const std::vector<std::string> command(argv + 4, argv + argc);
    const std::string model = folder + "/bench_model.obj", empty = folder + "/bench_empty.obj";
    const std::string scene = folder + "/bench_model.vsf";
    write_model(model, triangles);
    FILE* mtl = std::fopen((folder + "/bench_model.mtl").c_str(), "w");
    std::fprintf(
        mtl, "newmtl m0\nKd 0.8 0.2 0.2\nnewmtl m1\nKd 0.2 0.8 0.2\nnewmtl m2\nKd 0.2 0.2 0.8\n");
    std::fclose(mtl);
    FILE* none = std::fopen(empty.c_str(), "w");
    std::fprintf(none, "v 0 0 0\n");
    std::fclose(none);

    std::vector<Run> parses, jobs, bases;
    for (int r = 0; r < runs; ++r) {
        parses.push_back(run_parse(model, folder));
        jobs.push_back(run_command(command, model, scene));
        bases.push_back(run_command(command, empty, folder + "/bench_empty.vsf"));
    }
    const Run parse = median(parses), job = median(jobs), base = median(bases);
    const double scene_mb = file_mb(scene), model_mb = file_mb(model);

    std::printf(
        "-- main job on a %ld-triangle OBJ (%.0f MB, 4 objects of 2 groups, 3 materials), median "
        "of %d runs\n",
        triangles, model_mb, runs);
    std::printf("case                                  wall s   cpu s   peak RSS MB\n");
    std::printf("tinyobjloader LoadObj, parse only     %6.2f  %6.2f   %8.1f\n", parse.seconds,
                parse.cpu, parse.peak_mb);
    std::printf(
        "main job: read, export, write         %6.2f  %6.2f   %8.1f   %.2fx (%.2fx) the parse "
        "time\n",
        job.seconds, job.cpu, job.peak_mb, job.seconds / parse.seconds, job.cpu / parse.cpu);
    std::printf("main job on a model without faces     %6.2f  %6.2f   %8.1f\n", base.seconds,
                base.cpu, base.peak_mb);
    std::printf(
        "extra peak RSS of the main job: %.1f MB = %.2fx the scene's arrays (%.1f MB scene file)\n",
        job.peak_mb - base.peak_mb, (job.peak_mb - base.peak_mb) / scene_mb, scene_mb);
    std::remove(scene.c_str());
    return 0;
}
