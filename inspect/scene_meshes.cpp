#include "scene_meshes.h"

#include <memory>

namespace inspect {

namespace {

ArrayRef array_param(const Block& block, std::string_view name) {
    const Param* param = block.find_param(name);
    if (!param) return {};
    for (const Value& value : param->values) {
        if (value.kind == Value::Kind::array) return {value.array.get(), param->offset};
    }
    return {};
}

// The numbers of a parameter's values, at most `count` of them.
std::size_t param_numbers(const Block& block, std::string_view name, float* out,
                          std::size_t count) {
    const Param* param = block.find_param(name);
    std::size_t found = 0;
    if (!param) return 0;
    for (const Value& value : param->values) {
        if (value.kind != Value::Kind::number || found == count) break;
        out[found++] = static_cast<float>(value.number);
    }
    return found;
}

// A texture image: the "texture" string of a shader linked to the surface shader.
void find_texture(const Block& shader, MeshRef& mesh) {
    for (const Param& param : shader.params) {
        for (const Value& value : param.values) {
            if (value.kind != Value::Kind::shader || !value.link) continue;
            const Param* texture = value.shader->find_param("texture");
            if (!texture || texture->values.empty()) continue;
            const Value& path = texture->values.front();
            if (path.kind != Value::Kind::string) continue;
            mesh.texture = path.text;
            mesh.texture_offset = path.offset;
            return;
        }
    }
}

void describe_material(const Block& object, MeshRef& mesh) {
    mesh.material = object.find_block("material");
    if (!mesh.material) {
        // A reference to a material defined elsewhere: material "name" on one line.
        const Param* reference = object.find_param("material");
        if (reference && !reference->values.empty()) {
            mesh.material_name = reference->values.front().text;
        }
        return;
    }
    mesh.material_name = std::string(mesh.material->name());
    mesh.surface = mesh.material->find_shader("surface", false);
    if (!mesh.surface) return;
    mesh.has_diffuse = param_numbers(*mesh.surface, "diffuse", mesh.diffuse, 3) == 3;
    param_numbers(*mesh.surface, "alpha", &mesh.alpha, 1);
    find_texture(*mesh.surface, mesh);
}

MeshRef describe_object(const Block& object) {
    MeshRef mesh;
    mesh.object = &object;
    mesh.geometry = object.find_block("geometry");
    if (mesh.geometry) {
        const Block& geometry = *mesh.geometry;
        mesh.vertices = array_param(geometry, "vertices");
        mesh.normals = array_param(geometry, "normals");
        mesh.uvs = array_param(geometry, "uv_tex");
        mesh.triangles = array_param(geometry, "triangles");
        mesh.triangle_normals = array_param(geometry, "triangles_norm");
        mesh.triangle_uvs = array_param(geometry, "triangles_uv");
    }
    describe_material(object, mesh);
    return mesh;
}

}  // namespace

bool is_group(const Block& block) {
    return block.keyword == "group" || block.keyword == "#define group";
}

bool is_object(const Block& block) {
    return block.keyword == "object" || block.keyword == "#define object";
}

std::vector<MeshRef> find_meshes(const Scene& scene) {
    std::vector<MeshRef> meshes;
    auto groups = std::make_shared<GroupList>();
    std::size_t current = kNoGroup;
    walk_blocks(
        scene.root,
        [&](const Block& block) {
            if (is_object(block)) {
                meshes.push_back(describe_object(block));
                meshes.back().groups = groups;
                meshes.back().group = current;
                return false;
            }
            if (is_group(block)) {
                groups->push_back({&block, current});
                current = groups->size() - 1;
            }
            return true;
        },
        [&](const Block& block) {
            if (is_group(block)) current = (*groups)[current].parent;
        });
    return meshes;
}

const Block* top_group(const Scene& scene) {
    return scene.root.find_block("group");
}

const Block* find_camera(const Block& block) {
    const Block* camera = nullptr;
    walk_blocks(
        block,
        [&](const Block& nested) {
            if (!camera && nested.keyword == "camera") camera = &nested;
            return !camera;
        },
        [](const Block&) {});
    return camera;
}

}  // namespace inspect
