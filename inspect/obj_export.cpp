#include "obj_export.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ios>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

#include "scene_checks.h"

namespace inspect {

namespace {

// A file written through a large buffer; every failure throws naming the path.
class OutputFile {
  public:
    // Opens `path`; messages name `shown_path`, the name the file will finally have.
    OutputFile(const std::string& path, std::string shown_path) : path_(std::move(shown_path)) {
        file_ = std::fopen(path.c_str(), "wb");
        if (!file_) fail("cannot write");
        buffer_.reserve(kFlushAt + 256);
    }
    ~OutputFile() {
        if (file_) std::fclose(file_);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    OutputFile& operator<<(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= kFlushAt) flush();
        return *this;
    }
    OutputFile& operator<<(float value) {
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, value);
        return *this << std::string_view(text, result.ptr - text);
    }
    OutputFile& operator<<(std::uint64_t value) {
        char text[24];
        const auto result = std::to_chars(text, text + sizeof text, value);
        return *this << std::string_view(text, result.ptr - text);
    }

    void close() {
        flush();
        FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0) fail("cannot write");
    }

  private:
    static constexpr std::size_t kFlushAt = 1 << 20;

    void flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
            fail("cannot write");
        }
        buffer_.clear();
    }
    [[noreturn]] void fail(const char* what) {
        const int error = errno ? errno : EIO;
        throw std::ios_base::failure(std::string(what) + " " + path_,
                                     std::error_code(error, std::generic_category()));
    }

    std::string path_;
    FILE* file_ = nullptr;
    std::string buffer_;
};

// text with every byte up to `last` and DEL replaced by '_'.
std::string with_underscores(std::string_view text, unsigned char last) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) <= last || c == 0x7f) c = '_';
    }
    return out;
}

std::string group_name(const Block* group) {
    return group ? obj_name(group->name()) : "default";
}

// A mesh's innermost group; for a mesh that a definition holds directly, the group of the
// instance line that placed it.
std::string group_name(std::size_t mesh_index, std::size_t holder,
                       const std::vector<MeshRef>& meshes, const ScenePlacements& placements) {
    const MeshRef& mesh = meshes[mesh_index];
    const std::size_t definition = placements.mesh_definition[mesh_index];
    if (definition != kNoDefinition) {
        const std::size_t group = placements.definitions[definition].group;
        if (group == kNoGroup || group == mesh.group) {
            return group_name(holder == kNoGroup ? nullptr : (*placements.groups)[holder].block);
        }
    }
    return group_name(mesh.innermost_group());
}

// Where the next mesh's v, vt and vn lines start counting, from 1.
struct IndexBase {
    std::uint64_t v = 1, vt = 1, vn = 1;
};

// Per-vertex or per-corner values, used only when their counts fit the triangles.
struct CornerValues {
    const ArrayData* values = nullptr;
    const ArrayData* indices = nullptr;
    std::size_t count = 0;

    CornerValues(const MeshRef& mesh, const ArrayRef& array, const ArrayRef& corner_indices,
                 std::size_t width) {
        if (!array) return;
        const ArrayData* triangles = mesh.triangles.data;
        const std::size_t n = array.data->size() / width;
        if (corner_indices) {
            if (corner_indices.data->size() != triangles->size()) return;
            indices = corner_indices.data;
        } else {
            if (n != mesh.vertex_count()) return;
            indices = triangles;
        }
        values = array.data;
        count = n;
    }
};

// A point or normal of a mesh where its placement puts it.
class Placed {
  public:
    explicit Placed(const Matrix4& world) : world_(world), moved_(!world.is_identity()) {}
    Vec3 point(const ArrayData& array, std::size_t i) const {
        const Vec3 p = at(array, i);
        return moved_ ? world_.apply(p) : p;
    }
    Vec3 normal(const ArrayData& array, std::size_t i) const {
        if (!moved_) return at(array, i);
        Vec3 n = world_.apply_to_normal(at(array, i));
        if (world_.mirrors()) n = Vec3() - n;  // so that a 0 stays 0, not -0
        normalize(n);
        return n;
    }
    // A mirroring placement turns the corners round, so that they still wind around the normal.
    std::size_t corner(std::size_t corner) const {
        if (!moved_ || !world_.mirrors() || corner % 3 == 0) return corner;
        return corner % 3 == 1 ? corner + 1 : corner - 1;
    }

  private:
    static Vec3 at(const ArrayData& array, std::size_t i) {
        return {array.float_at(3 * i), array.float_at(3 * i + 1), array.float_at(3 * i + 2)};
    }
    const Matrix4& world_;
    const bool moved_;
};

OutputFile& operator<<(OutputFile& out, Vec3 v) {
    return out << v.x << " " << v.y << " " << v.z;
}

void write_mesh(OutputFile& obj, const MeshRef& mesh, const Matrix4& world, IndexBase& base) {
    const ArrayData& vertices = *mesh.vertices.data;
    const ArrayData& triangles = *mesh.triangles.data;
    const CornerValues uvs(mesh, mesh.uvs, mesh.triangle_uvs, 2);
    const CornerValues normals(mesh, mesh.normals, mesh.triangle_normals, 3);
    const Placed placed(world);
    for (std::size_t i = 0, n = mesh.vertex_count(); i < n; ++i) {
        obj << "v " << placed.point(vertices, i) << "\n";
    }
    for (std::size_t i = 0; i < uvs.count; ++i) {
        obj << "vt " << uvs.values->float_at(2 * i) << " " << uvs.values->float_at(2 * i + 1)
            << "\n";
    }
    for (std::size_t i = 0; i < normals.count; ++i) {
        obj << "vn " << placed.normal(*normals.values, i) << "\n";
    }
    auto index = [](const ArrayData& array, std::size_t at, std::uint64_t from) {
        std::int64_t value = 0;
        array.index_at(at, value);
        return from + static_cast<std::uint64_t>(value);
    };
    for (std::size_t written = 0, n = mesh.triangle_count() * 3; written < n; ++written) {
        const std::size_t corner = placed.corner(written);
        obj << (written % 3 == 0 ? "f " : " ") << index(triangles, corner, base.v);
        if (uvs.count > 0 || normals.count > 0) obj << "/";
        if (uvs.count > 0) obj << index(*uvs.indices, corner, base.vt);
        if (normals.count > 0) obj << "/" << index(*normals.indices, corner, base.vn);
        if (written % 3 == 2) obj << "\n";
    }
    base.v += mesh.vertex_count();
    base.vt += uvs.count;
    base.vn += normals.count;
}

void write_material(OutputFile& mtl, const MeshRef& mesh, const std::string& scene_dir) {
    mtl << "newmtl " << obj_name(mesh.material_name) << "\n";
    mtl << "Kd " << mesh.diffuse[0] << " " << mesh.diffuse[1] << " " << mesh.diffuse[2] << "\n";
    mtl << "d " << mesh.alpha << "\n";
    if (!mesh.texture.empty()) {
        // Blanks stay, as paths have them, but a line break would start a statement.
        mtl << "map_Kd " << with_underscores(resolve_texture_path(mesh.texture, scene_dir), 0x1f)
            << "\n";
    }
    mtl << "\n";
}

std::string file_name_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ObjTotals write_files(OutputFile& obj, OutputFile& mtl, const std::vector<MeshRef>& meshes,
                      const ScenePlacements& placements, const std::string& mtl_name,
                      const std::string& scene_dir) {
    ObjTotals totals;
    IndexBase base;
    std::set<std::string> materials;
    std::string group;
    obj << "# written by vistrel-inspect\nmtllib " << mtl_name << "\n";
    PlacementVisitor visitor;
    visitor.placement = [](std::size_t, const Matrix4&) { return Descend::into; };
    visitor.mesh = [&](std::size_t index, const Matrix4& world, std::size_t holder) {
        const MeshRef& mesh = meshes[index];
        if (!mesh.vertices || !mesh.triangles) return;
        const std::string mesh_group = group_name(index, holder, meshes, placements);
        if (totals.meshes == 0 || mesh_group != group) obj << "g " << mesh_group << "\n";
        group = mesh_group;
        obj << "usemtl " << obj_name(mesh.material_name) << "\n";
        if (materials.insert(obj_name(mesh.material_name)).second) {
            write_material(mtl, mesh, scene_dir);
        }
        write_mesh(obj, mesh, world, base);
        ++totals.meshes;
        totals.vertices += mesh.vertex_count();
        totals.triangles += mesh.triangle_count();
    };
    walk_placements(placements, meshes, place_groups(*placements.groups), true, visitor);
    return totals;
}

}  // namespace

std::string obj_name(std::string_view name) {
    const std::string out = with_underscores(name, ' ');
    return out.empty() ? "unnamed" : out;
}

std::string mtl_path_for(const std::string& obj_path) {
    const std::size_t dot = obj_path.rfind('.');
    const std::size_t slash = obj_path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return obj_path + ".mtl";
    }
    return obj_path.substr(0, dot) + ".mtl";
}

ObjTotals write_obj(const std::vector<MeshRef>& meshes, const ScenePlacements& placements,
                    const std::string& obj_path, const std::string& scene_dir) {
    const std::string mtl_path = mtl_path_for(obj_path);
    const std::string obj_partial = obj_path + ".partial";
    const std::string mtl_partial = mtl_path + ".partial";
    ObjTotals totals;
    try {
        OutputFile obj(obj_partial, obj_path);
        OutputFile mtl(mtl_partial, mtl_path);
        totals = write_files(obj, mtl, meshes, placements, file_name_of(mtl_path), scene_dir);
        obj.close();
        mtl.close();
    } catch (...) {
        std::remove(obj_partial.c_str());
        std::remove(mtl_partial.c_str());
        throw;
    }
    for (const auto& [from, to] : {std::pair{obj_partial, obj_path}, {mtl_partial, mtl_path}}) {
        if (std::rename(from.c_str(), to.c_str()) != 0) {
            const int error = errno;
            std::remove(obj_partial.c_str());
            std::remove(mtl_partial.c_str());
            throw std::ios_base::failure("cannot write " + to,
                                         std::error_code(error, std::generic_category()));
        }
    }
    return totals;
}

}  // namespace inspect
