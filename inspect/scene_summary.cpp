#include "scene_summary.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "scene_text.h"

namespace inspect {

namespace {

// The numbers of a parameter, separated by blanks, or "-" when it is missing.
std::string param_text(const Block& block, std::string_view name) {
    const Param* param = block.find_param(name);
    if (!param) return "-";
    std::string text;
    for (const Value& value : param->values) {
        if (value.kind != Value::Kind::number) continue;
        if (!text.empty()) text += ' ';
        text += number_text(value.number);
    }
    return text;
}

// Groups deeper than this are indented no further, so that the summary stays in proportion to
// the file however deep its nesting.
constexpr int kDeepestIndent = 32;

class Summary {
  public:
    Summary(const Scene& scene, const std::vector<MeshRef>& meshes,
            const ScenePlacements& placements)
        : scene_(scene), meshes_(meshes), placements_(placements) {}

    std::string text() {
        const Block* top = top_group(scene_);
        out_ += "top group: " + (top ? quoted(top->name()) : std::string("none")) + "\n";
        camera();
        out_ += "groups and objects:\n";
        tree();
        totals();
        placed();
        return out_;
    }

  private:
    void camera() {
        const Block* camera = find_camera(scene_.root);
        if (!camera) {
            out_ += "camera: none\n";
            return;
        }
        out_ += "camera " +
                (camera->head.empty() ? std::string("(unnamed)") : quoted(camera->name())) + ":\n";
        for (const char* name : {"position", "direction", "up", "fov"}) {
            out_ += "  " + std::string(name) +
                    std::string(10 - std::string_view(name).size(), ' ') +
                    param_text(*camera, name) + "\n";
        }
        if (const Block* environment = camera->find_shader("reflection map", false)) {
            out_ += "  environment " + quoted(environment->name());
            const Param* texture = environment->find_param("texture");
            if (texture && !texture->values.empty()) {
                out_ += " texture " + quoted(texture->values.front().text);
            }
            out_ += "\n";
        }
    }

    // Groups, objects and instance lines in file order; meshes_ lists the objects, and
    // placements_ the definitions and the instance lines group by group, in the same order.
    void tree() {
        std::size_t next_mesh = 0;
        int depth = 1;
        instances(kNoGroup, "  ");
        walk_blocks(
            scene_.root,
            [&](const Block& block) {
                const std::string indent(2 * std::min(depth, kDeepestIndent), ' ');
                if (is_object(block) && next_mesh < meshes_.size()) {
                    object(meshes_[next_mesh++], indent);
                    return false;
                }
                if (is_group(block)) {
                    ++groups_;
                    ++depth;
                    out_ += indent + block.keyword + " " + quoted(block.name());
                    if (block.find_param("transform")) out_ += " (transform)";
                    if (block.keyword != "group") out_ += " (" + uses() + ")";
                    out_ += "\n";
                    instances(groups_ - 1, indent + "  ");
                }
                return true;
            },
            [&](const Block& block) { depth -= is_group(block); });
    }

    // How often the next definition is placed.
    std::string uses() {
        if (next_definition_ == placements_.definitions.size()) return "never placed";
        const std::size_t uses = placements_.definitions[next_definition_++].uses;
        return uses == 0   ? "never placed"
               : uses == 1 ? "placed once"
                           : "placed " + std::to_string(uses) + " times";
    }

    // The instance lines of one group (kNoGroup: of the file's top level).
    void instances(std::size_t group, const std::string& indent) {
        const std::vector<Instance>& all = placements_.instances;
        for (; next_instance_ < all.size() && all[next_instance_].group == group;
             ++next_instance_) {
            const Instance& instance = all[next_instance_];
            out_ += indent + "instance " + quoted(instance.name()) + ": ";
            if (instance.problem == Instance::Problem::none) {
                const Definition& placed = placements_.definitions[instance.definition];
                out_ += count(placed.placed_triangles, "triangle") + "\n";
            } else {
                out_ += "places nothing\n";
            }
        }
    }

    void object(const MeshRef& mesh, const std::string& indent) {
        vertices_ += mesh.vertex_count();
        triangles_ += mesh.triangle_count();
        out_ += indent + mesh.object->keyword + " " + quoted(mesh.object->name());
        if (mesh.object->keyword != "object") out_ += " (" + uses() + ")";
        out_ += ": " + count(mesh.vertex_count(), "vertex", "vertices") + ", " +
                count(mesh.triangle_count(), "triangle");
        if (mesh.normals) out_ += ", normals";
        if (mesh.uvs) out_ += ", uvs";
        if (mesh.material || !mesh.material_name.empty()) {
            materials_.insert(mesh.material_name);
            out_ += ", material " + quoted(mesh.material_name);
            if (mesh.surface) out_ += " (" + std::string(mesh.surface->name()) + ")";
        }
        if (!mesh.texture.empty()) {
            textures_.insert(mesh.texture);
            out_ += ", texture " + quoted(mesh.texture);
        }
        out_ += "\n";
    }

    void totals() {
        out_ += "totals: " + count(groups_, "group") + ", " + count(meshes_.size(), "object") +
                ", " + count(vertices_, "vertex", "vertices") + ", " +
                count(triangles_, "triangle") + ", " + count(materials_.size(), "material") + ", " +
                count(textures_.size(), "texture") + ", " + count(scene_.size, "byte") + "\n";
    }

    // Only for scenes with definitions or instance lines: the triangles as the scene shows them,
    // every placement counted, and as the file holds them, each once.
    void placed() {
        if (placements_.definitions.empty() && placements_.instances.empty()) return;
        const std::size_t definitions = placements_.definitions.size();
        const std::uint64_t times = placements_.placements;
        out_ += "definitions: " + count(definitions, "definition") + " placed " +
                (times == 1 ? std::string("once") : std::to_string(times) + " times") + "; " +
                std::to_string(placements_.placed_triangles) + " triangles placed, " +
                std::to_string(triangles_) + " unique\n";
    }

    static std::string count(std::uint64_t n, const std::string& one, std::string many = "") {
        if (many.empty()) many = one + "s";
        return std::to_string(n) + " " + (n == 1 ? one : many);
    }

    const Scene& scene_;
    const std::vector<MeshRef>& meshes_;
    const ScenePlacements& placements_;
    std::size_t next_definition_ = 0, next_instance_ = 0;
    std::string out_;
    std::size_t groups_ = 0, vertices_ = 0, triangles_ = 0;
    std::set<std::string> materials_, textures_;
};

}  // namespace

std::string summarize_scene(const Scene& scene, const std::vector<MeshRef>& meshes,
                            const ScenePlacements& placements) {
    return Summary(scene, meshes, placements).text();
}

}  // namespace inspect
