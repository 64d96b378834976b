#include "scene_checks.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string_view>

#include "scene_text.h"

namespace inspect {

namespace {

class Checker {
  public:
    Checker(std::vector<Diagnostic>& out, const CheckOptions& options)
        : out_(out), options_(options) {}

    void scene(const Scene& scene, const std::vector<MeshRef>& meshes,
               const ScenePlacements& placements) {
        if (scene.format_version != "3") {
            warn(0,
                 "format version " + quoted(scene.format_version) + " is not 3; read as version 3");
        }
        if (!top_group(scene)) warn(0, "no group at the top level of the file");
        if (!find_camera(scene.root)) warn(0, "no camera block");
        for (const MeshRef& mesh : meshes) this->mesh(mesh);
        // Instance lines are listed group by group: their messages go in file order.
        const std::size_t first = out_.size();
        for (const Instance& instance : placements.instances) this->instance(instance, placements);
        std::stable_sort(
            out_.begin() + first, out_.end(),
            [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; });
        for (const Definition& definition : placements.definitions) {
            this->definition(definition, placements);
        }
    }

  private:
    void warn(std::size_t offset, std::string message) {
        out_.push_back({Severity::warning, offset, std::move(message)});
    }
    void error(std::size_t offset, std::string message) {
        out_.push_back({Severity::error, offset, std::move(message)});
    }

    void instance(const Instance& instance, const ScenePlacements& placements) {
        const std::string subject = "instance " + quoted(instance.name());
        const std::size_t at = instance.line->offset;
        switch (instance.problem) {
            case Instance::Problem::none:
                return;
            case Instance::Problem::no_name:
                return error(at, "expected the quoted name of a definition after instance");
            case Instance::Problem::undefined:
                return error(at, subject + " names no definition");
            case Instance::Problem::inside_definition:
                return error(at, subject + " lies inside the definition it places");
            case Instance::Problem::before_definition:
                return error(
                    at,
                    subject + " comes before its definition at offset " +
                        std::to_string(placements.definitions[instance.definition].block->offset));
        }
    }

    void definition(const Definition& definition, const ScenePlacements& placements) {
        const std::string subject = "definition " + quoted(definition.block->name());
        if (definition.first != kNoDefinition) {
            error(definition.block->offset,
                  subject + " is defined again; the first definition is at offset " +
                      std::to_string(placements.definitions[definition.first].block->offset));
        } else if (definition.uses == 0) {
            warn(definition.block->offset, subject + " is never placed by an instance");
        }
    }

    void mesh(const MeshRef& mesh) {
        subject_ = "object " + quoted(mesh.object->name()) + ": ";
        if (!mesh.geometry) {
            warn(mesh.object->offset, subject_ + "no geometry block");
        } else if (mesh.geometry->name() != "triangles") {
            warn(mesh.geometry->offset,
                 subject_ + "geometry of type " + quoted(mesh.geometry->name()) + " is not read");
        } else {
            geometry(mesh);
        }
        material(mesh);
    }

    void geometry(const MeshRef& mesh) {
        mesh_offset_ = mesh.geometry->offset;
        for (const Comment& comment : mesh.geometry->comments) {
            warn(comment.offset, subject_ + "the exporter left a note:" + comment.text);
        }
        const bool vertices_ok = shape(mesh.vertices, "vertices", 'c', 3, true);
        const bool triangles_ok = shape(mesh.triangles, "triangles", 'i', 3, true);
        if (vertices_ok) finite_coordinates(mesh.vertices);
        if (!vertices_ok || !triangles_ok) return;
        const std::size_t vertex_count = mesh.vertices.data->size() / 3;
        indices(mesh.triangles, "triangles", vertex_count, "vertices");
        per_corner(mesh, mesh.normals, mesh.triangle_normals, "normals", "triangles_norm", 3, 'c');
        per_corner(mesh, mesh.uvs, mesh.triangle_uvs, "uv_tex", "triangles_uv", 2, 'f');
    }

    // Normals or texture coordinates: per vertex, or indexed per triangle corner.
    void per_corner(const MeshRef& mesh, const ArrayRef& values, const ArrayRef& corner_indices,
                    const char* values_name, const char* indices_name, std::size_t width,
                    char tag) {
        if (corner_indices && !values) {
            error(corner_indices.offset,
                  subject_ + "\"" + indices_name + "\" without \"" + values_name + "\"");
            return;
        }
        if (!shape(values, values_name, tag, width, false)) return;
        const std::size_t count = values.data->size() / width;
        if (corner_indices) {
            if (!shape(corner_indices, indices_name, 'i', 3, true)) return;
            const std::size_t corners = corner_indices.data->size();
            if (corners != mesh.triangles.data->size()) {
                error(corner_indices.offset, subject_ + "\"" + indices_name + "\" holds " +
                                                 std::to_string(corners) +
                                                 " indices, expected one per triangle corner (" +
                                                 std::to_string(mesh.triangles.data->size()) + ")");
                return;
            }
            indices(corner_indices, indices_name, count, values_name);
            return;
        }
        const std::size_t vertex_count = mesh.vertex_count();
        if (count != vertex_count || values.data->size() % width != 0) {
            error(values.offset, subject_ + "\"" + values_name + "\" holds " +
                                     std::to_string(values.data->size()) + " numbers, expected " +
                                     std::to_string(width) + " per vertex (" +
                                     std::to_string(width * vertex_count) + ")");
        }
    }

    // The array exists when required, holds items of the right kind (in binary form under the
    // tag the exporter gives it), in whole elements.
    bool shape(const ArrayRef& array, const char* name, char tag, std::size_t width,
               bool required) {
        if (!array) {
            if (required) {
                error(mesh_offset_, subject_ + "expected a \"" + std::string(name) +
                                        "\" array in the geometry, found none");
            }
            return false;
        }
        const ArrayData& data = *array.data;
        if (data.is_binary() && data.tag != tag) {
            const char* items = tag == 'i' ? "integer" : tag == 'c' ? "three-float" : "float";
            error(data.block_offset + 3, subject_ + "expected " + items + " items (tag '" + tag +
                                             "') in \"" + name + "\", found tag '" + data.tag +
                                             "'");
            return false;
        }
        if (data.is_binary() && (!data.numbers.empty() || !data.strings.empty())) {
            error(data.offset, subject_ + "\"" + name + "\" mixes text values and a binary block");
            return false;
        }
        if (data.size() % width != 0) {
            error(array.offset, subject_ + "\"" + name + "\" holds " + std::to_string(data.size()) +
                                    " numbers, expected a multiple "
                                    "of " +
                                    std::to_string(width));
            return false;
        }
        return true;
    }

    void indices(const ArrayRef& array, const char* name, std::size_t limit, const char* target) {
        const ArrayData& data = *array.data;
        std::size_t bad = 0, first_bad = 0;
        std::int64_t first_value = 0;
        for (std::size_t i = 0, n = data.size(); i < n; ++i) {
            std::int64_t index;
            const bool whole = data.index_at(i, index);
            if (whole && index >= 0 && static_cast<std::uint64_t>(index) < limit) continue;
            if (bad++ == 0) {
                first_bad = i;
                first_value = whole ? index : -1;
            }
        }
        if (bad == 0) return;
        const std::size_t at =
            data.is_binary() ? data.block_offset + 8 + 4 * first_bad : array.offset;
        error(at, subject_ + "\"" + name + "\" item " + std::to_string(first_bad) +
                      " of triangle " + std::to_string(first_bad / 3) + " is " +
                      std::to_string(first_value) + ", expected an index below the " +
                      std::to_string(limit) + " " + target + " (" + std::to_string(bad) +
                      " out of range)");
    }

    void finite_coordinates(const ArrayRef& vertices) {
        std::size_t not_finite = 0;
        for (std::size_t i = 0, n = vertices.data->size(); i < n; ++i) {
            if (!std::isfinite(vertices.data->float_at(i))) ++not_finite;
        }
        if (not_finite > 0) {
            warn(vertices.offset,
                 subject_ + std::to_string(not_finite) + " vertex coordinates are infinite or NaN");
        }
    }

    void material(const MeshRef& mesh) {
        if (!mesh.material) return;
        for (const Comment& comment : mesh.material->comments) {
            warn(comment.offset, subject_ + "the exporter left a note:" + comment.text);
        }
        if (mesh.texture.empty() || !options_.check_textures) return;
        if (!textures_seen_.insert(mesh.texture).second) return;  // one report per file
        const std::string path = resolve_texture_path(mesh.texture, options_.scene_dir);
        struct stat info;
        const bool found = stat(path.c_str(), &info) == 0;
        if (!found || !S_ISREG(info.st_mode)) {
            warn(mesh.texture_offset, "material " + quoted(mesh.material_name) + ": texture file " +
                                          quoted(mesh.texture) +
                                          (found ? " is not a regular file" : " not found"));
        }
    }

    std::vector<Diagnostic>& out_;
    const CheckOptions& options_;
    std::string subject_;
    std::size_t mesh_offset_ = 0;
    std::set<std::string> textures_seen_;
};

}  // namespace

std::string resolve_texture_path(const std::string& path, const std::string& scene_dir) {
    if (path.empty() || path[0] == '/' || scene_dir.empty()) return path;
    return scene_dir + "/" + path;
}

std::vector<Diagnostic> check_scene(const Scene& scene, const std::vector<MeshRef>& meshes,
                                    const ScenePlacements& placements,
                                    const CheckOptions& options) {
    std::vector<Diagnostic> out;
    Checker(out, options).scene(scene, meshes, placements);
    return out;
}

}  // namespace inspect
