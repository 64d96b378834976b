// vistrel-inspect: reads a Vistrel scene file, checks it, summarises it and converts its meshes
// to OBJ.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <ios>
#include <set>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "obj_export.h"
#include "output_guard.h"
#include "scene_checks.h"
#include "scene_meshes.h"
#include "scene_parser.h"
#include "scene_placements.h"
#include "scene_render.h"
#include "scene_summary.h"

namespace {

// Exit codes.
constexpr int kValid = 0;
constexpr int kInvalid = 1;  // malformed, or mesh data that does not add up
constexpr int kUsage = 2;    // bad arguments, unreadable input, unwritable output
constexpr int kTruncated = 3;

const char* const kUsageText =
    "usage: vistrel-inspect FILE.vsf [--obj OUT.obj] [--png OUT.png [--size WxH]] [--quiet]\n"
    "                       [--no-texture-check]\n"
    "\n"
    "Reads a Vistrel scene file, checks it and prints a summary: the top group, the camera,\n"
    "the groups with their objects (vertex and triangle counts, material, texture) and\n"
    "instance lines, the totals, and for definitions the triangles placed and unique.\n"
    "Problems are printed to standard error with their byte offset.\n"
    "\n"
    "  --obj OUT.obj        also write every mesh as OBJ, with OUT.mtl beside it, placed by\n"
    "                       its groups' transforms, a definition's once per placement\n"
    "  --png OUT.png        also write a picture of what the scene's camera sees\n"
    "  --size WxH           the picture's width and height in pixels (default 800x600)\n"
    "  --quiet              print only problems, no summary\n"
    "  --no-texture-check   do not look for texture files on disk\n"
    "  --                   what follows is the scene file, even when it begins with '-'\n"
    "\n"
    "No output may be the scene file, one of its textures or another output.\n"
    "\n"
    "Exit status: 0 valid (warnings allowed), 1 malformed or invalid, 2 usage or I/O error,\n"
    "3 truncated (the file ends inside open blocks, as when an export was cut off).\n";

struct Options {
    std::string scene_path;
    std::string obj_path;
    std::string png_path;
    inspect::PreviewOptions preview;
    bool quiet = false;
    bool check_textures = true;
};

bool parse_arguments(int argc, char** argv, Options& options) {
    bool only_files = false;  // after "--", which lets a file name begin with '-'
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (only_files || arg.size() < 2 || arg[0] != '-') {
            if (!options.scene_path.empty()) {
                std::fprintf(stderr, "vistrel-inspect: more than one scene file given\n");
                return false;
            }
            options.scene_path = arg;
        } else if (arg == "--") {
            only_files = true;
        } else if (arg == "--obj" && i + 1 < argc) {
            options.obj_path = argv[++i];
        } else if (arg == "--png" && i + 1 < argc) {
            options.png_path = argv[++i];
        } else if (arg == "--size" && i + 1 < argc) {
            if (!inspect::parse_preview_size(argv[++i], options.preview)) {
                std::fprintf(stderr, "vistrel-inspect: --size takes WIDTHxHEIGHT, got %s\n",
                             argv[i]);
                return false;
            }
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--no-texture-check") {
            options.check_textures = false;
        } else {
            std::fprintf(stderr, "vistrel-inspect: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    if (options.scene_path.empty()) std::fprintf(stderr, "vistrel-inspect: no scene file given\n");
    return !options.scene_path.empty();
}

std::string folder_of(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? std::string() : absolute.parent_path().string();
}

void write_preview(const Options& options, const inspect::Scene& scene,
                   const std::vector<inspect::MeshRef>& meshes,
                   const inspect::ScenePlacements& placements, const std::string& scene_dir) {
    inspect::PreviewOptions preview = options.preview;
    preview.scene_dir = scene_dir;
    std::vector<std::string> warnings;
    const inspect::RgbImage image =
        inspect::render_preview(scene, meshes, placements, preview, warnings);
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "%s: warning: %s\n", options.scene_path.c_str(), warning.c_str());
    }
    inspect::write_png(image, options.png_path);
    if (!options.quiet) {
        std::printf("wrote %s: %dx%d picture\n", options.png_path.c_str(), image.width,
                    image.height);
    }
}

// The files the run writes, each named as a message would name it.
std::vector<inspect::NamedPath> outputs(const Options& options) {
    std::vector<inspect::NamedPath> out;
    if (!options.obj_path.empty()) {
        out.push_back({options.obj_path, "the --obj output"});
        out.push_back({inspect::mtl_path_for(options.obj_path), "the MTL file of --obj"});
    }
    if (!options.png_path.empty()) out.push_back({options.png_path, "the --png output"});
    return out;
}

// The texture files the scene names, as the preview and the MTL file look them up.
std::vector<inspect::NamedPath> textures(const std::vector<inspect::MeshRef>& meshes,
                                         const std::string& scene_dir) {
    std::set<std::string> paths;
    for (const inspect::MeshRef& mesh : meshes) {
        if (!mesh.texture.empty()) {
            paths.insert(inspect::resolve_texture_path(mesh.texture, scene_dir));
        }
    }
    std::vector<inspect::NamedPath> out;
    for (const std::string& path : paths) out.push_back({path, "a texture of the scene"});
    return out;
}

// False, with the message, when an output would replace an input or another output.
bool outputs_allowed(const Options& options, const std::vector<inspect::NamedPath>& inputs) {
    const std::string conflict = inspect::output_conflict(outputs(options), inputs);
    if (!conflict.empty()) std::fprintf(stderr, "vistrel-inspect: %s\n", conflict.c_str());
    return conflict.empty();
}

int inspect_file(const Options& options) {
    const char* name = options.scene_path.c_str();
    if (!outputs_allowed(options, {{options.scene_path, "the scene being read"}})) return kUsage;
    const inspect::FileBytes bytes = inspect::read_file(options.scene_path);
    const inspect::ParseResult parsed = inspect::parse_scene(bytes.data.get(), bytes.size);
    if (parsed.status != inspect::ParseStatus::ok) {
        const bool truncated = parsed.status == inspect::ParseStatus::truncated;
        std::fprintf(stderr, "%s: %s at byte offset %zu: %s\n", name,
                     truncated ? "truncated" : "malformed", parsed.error_offset,
                     parsed.message.c_str());
        return truncated ? kTruncated : kInvalid;
    }
    const std::vector<inspect::MeshRef> meshes = inspect::find_meshes(parsed.scene);
    const inspect::ScenePlacements placements = inspect::find_placements(parsed.scene, meshes);
    const std::string scene_dir = folder_of(options.scene_path);
    if (!outputs_allowed(options, textures(meshes, scene_dir))) return kUsage;
    const auto diagnostics =
        inspect::check_scene(parsed.scene, meshes, placements, {scene_dir, options.check_textures});
    if (!options.quiet) {
        std::printf("%s\n%s", name,
                    inspect::summarize_scene(parsed.scene, meshes, placements).c_str());
        std::fflush(stdout);
    }
    std::size_t errors = 0;
    for (const inspect::Diagnostic& diagnostic : diagnostics) {
        const bool error = diagnostic.severity == inspect::Severity::error;
        errors += error;
        std::fprintf(stderr, "%s: offset %zu: %s: %s\n", name, diagnostic.offset,
                     error ? "error" : "warning", diagnostic.message.c_str());
    }
    if (errors > 0) {
        const std::size_t warnings = diagnostics.size() - errors;
        std::fprintf(stderr, "%s: invalid: %zu error%s, %zu warning%s\n", name, errors,
                     errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s");
        if (!options.obj_path.empty()) {
            std::fprintf(stderr, "vistrel-inspect: %s not written because the scene is invalid\n",
                         options.obj_path.c_str());
        }
        if (!options.png_path.empty()) {
            std::fprintf(stderr, "vistrel-inspect: %s not written because the scene is invalid\n",
                         options.png_path.c_str());
        }
        return kInvalid;
    }
    if (!options.obj_path.empty()) {
        const inspect::ObjTotals totals =
            inspect::write_obj(meshes, placements, options.obj_path, scene_dir);
        if (!options.quiet) {
            std::printf("wrote %s: %zu meshes, %zu vertices, %zu triangles\n",
                        options.obj_path.c_str(), totals.meshes, totals.vertices, totals.triangles);
        }
    }
    if (!options.png_path.empty()) {
        write_preview(options, parsed.scene, meshes, placements, scene_dir);
    }
    if (!options.quiet) {
        std::printf("valid: %zu warning%s\n", diagnostics.size(),
                    diagnostics.size() == 1 ? "" : "s");
    }
    return kValid;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsageText, stdout);
            return kValid;
        }
    }
    Options options;
    if (!parse_arguments(argc, argv, options)) {
        std::fputs(kUsageText, stderr);
        return kUsage;
    }
    try {
        return inspect_file(options);
    } catch (const std::ios_base::failure& error) {
        std::fprintf(stderr, "vistrel-inspect: %s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistrel-inspect: %s\n", error.what());
    }
    return kUsage;
}
