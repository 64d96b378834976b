// Meshes and their materials: the add and set operations collect one mesh, end_mesh writes its
// geometry arrays, texture shader and material.
#include <string>
#include <vector>

#include "SceneBuilder.h"
#include "copy_text.h"
#include "tavScene_api_file.h"

void SceneBuilder::begin_mesh(const char* mesh_name) {
    tavScene_api& scene = open_writer("begin_mesh");
    if (!mesh_name) mesh_name = "";
    texture[0] = '\0';
    copy_text(name, mesh_name);
    specular[0] = specular[1] = specular[2] = 0.0f;
    alpha = 1.0f;
    has_specular = false;
    has_alpha = false;
    scene.begin_object(mesh_name, true);
    scene.begin_geometry("triangles");
    vertices.clear();
    triangles.clear();
    uvs.clear();
    normals.clear();
    triangle_normals.clear();
    triangle_uvs.clear();
}

void SceneBuilder::set_name(const char* material_name) {
    copy_text(name, material_name);
}

void SceneBuilder::reserve_mesh(std::size_t vertex_count, std::size_t triangle_count) {
    vertices.reserve(3 * vertex_count);
    normals.reserve(3 * vertex_count);
    uvs.reserve(2 * vertex_count);
    triangles.reserve(3 * triangle_count);
}

void SceneBuilder::set_diffuse(float r, float g, float b) {
    diffuse[0] = r;
    diffuse[1] = g;
    diffuse[2] = b;
}

void SceneBuilder::set_specular(float r, float g, float b) {
    specular[0] = r;
    specular[1] = g;
    specular[2] = b;
    has_specular = true;
}

void SceneBuilder::set_alpha(float a) {
    alpha = a;
    has_alpha = true;
}

void SceneBuilder::set_texture(const char* path) {
    copy_text(texture, path);
}

void SceneBuilder::forget_lent() {
    for (MeshList<float>* list : {&vertices, &uvs, &normals}) list->forget_lent();
    for (MeshList<std::int32_t>* list : {&triangles, &triangle_uvs, &triangle_normals})
        list->forget_lent();
}

void SceneBuilder::end_mesh() {
    // The lenders may free what they lent once this returns, or throws.
    struct Forget {
        SceneBuilder& builder;
        ~Forget() { builder.forget_lent(); }
    } forget{*this};
    tavScene_api& scene = open_writer("end_mesh");
    write_array("vertices", PARAM_COLOR, vertices, 3);
    write_normals();
    write_uvs();
    write_array("triangles", PARAM_INT, triangles, 1);
    scene.end_geometry();
    write_material(write_texture_shader());
    scene.end_object();
}

// One element per step entries of the list, each starting at its first entry. The scene's own
// file writer takes the list whole, run by run; any other writer gets one add_array_value per
// element.
template <typename T>
void SceneBuilder::write_array(const char* array_name, int kind, const MeshList<T>& list,
                               std::size_t step) {
    if (file_writer) {
        std::vector<tavScene_api_file::ArrayPiece> pieces;
        list.each_run([&](const T* values, std::size_t count) {
            pieces.push_back({values, count / step});
        });
        file_writer->write_array_param(array_name, kind, pieces.data(), pieces.size());
        return;
    }
    writer->begin_array_param(array_name);
    list.each_run([&](const T* values, std::size_t count) {
        for (std::size_t i = 0; i < count; i += step) writer->add_array_value(kind, &values[i]);
    });
    writer->end_array_param();
}

// Counts that disagree leave the normals out and say why in a comment.
void SceneBuilder::write_normals() {
    if (!triangle_normals.empty() && triangle_normals.size() != triangles.size()) {
        writer->print_text(
            "// number of normal indices does not equal number of triangles (%d != %d)\n",
            static_cast<int>(triangle_normals.size()), static_cast<int>(triangles.size()));
    } else if (!triangle_normals.empty()) {
        write_array("triangles_norm", PARAM_INT, triangle_normals, 1);
        write_array("normals", PARAM_COLOR, normals, 3);
    } else if (!normals.empty() && normals.size() != vertices.size()) {
        writer->print_text("// number of normals does not equal number of vertices (%d != %d)\n",
                           static_cast<int>(normals.size()), static_cast<int>(vertices.size()));
    } else if (!normals.empty()) {
        write_array("normals", PARAM_COLOR, normals, 3);
    }
}

// Counts that disagree leave the texture coordinates out and say why in a comment.
void SceneBuilder::write_uvs() {
    if (!triangle_uvs.empty() && triangle_uvs.size() != triangles.size()) {
        writer->print_text(
            "// number of uv indices does not equal number of triangles (%d != %d)\n",
            static_cast<int>(triangle_uvs.size()), static_cast<int>(triangles.size()));
    } else if (!triangle_uvs.empty()) {
        write_array("triangles_uv", PARAM_INT, triangle_uvs, 1);
        write_array("uv_tex", PARAM_FLOAT, uvs, 1);
    } else if (!uvs.empty() && uvs.size() / 2 != vertices.size() / 3) {
        writer->print_text("// number of uvs does not equal number of vertices (%d != %d)\n",
                           static_cast<int>(uvs.size() / 2), static_cast<int>(vertices.size() / 3));
    } else if (!uvs.empty()) {
        write_array("uv_tex", PARAM_FLOAT, uvs, 1);
    }
}

// The anonymous texture shader of a textured mesh; null when the mesh has no texture.
ShaderBuffer* SceneBuilder::write_texture_shader() {
    if (texture[0] == '\0') return nullptr;
    writer->begin_shader(nullptr, "texture_rgb");
    writer->set_int_param("project", 3);
    writer->set_bool_param("wrap", 1);
    writer->set_param("texture", PARAM_STRING, texture);
    writer->set_color_param("default_color", diffuse[0], diffuse[1], diffuse[2]);
    writer->end_shader(0);
    return writer->current_shader();
}

// The material named after the mesh's name field, with an advanced surface shader when the
// mesh has a specular colour, an opacity or a texture, and a plain diffuse one otherwise.
void SceneBuilder::write_material(ShaderBuffer* texture_shader) {
    writer->begin_material(name, true);
    if (has_specular || has_alpha || texture_shader) {
        writer->begin_shader(nullptr, "tav_advanced");
        writer->set_color_param("diffuse", diffuse[0], diffuse[1], diffuse[2]);
        writer->set_color_param("specular", specular[0], specular[1], specular[2]);
        writer->set_bool_param("fresnel", 1);
        writer->set_float_param("roughness", 0.0f);
        writer->set_float_param("ior", 1.5f);
        writer->set_bool_param("glossy", 1);
        writer->set_int_param("glossy_samples", 9);
        writer->set_float_param("alpha", alpha < 0.1f ? 0.1f : alpha);
        if (texture_shader) writer->link_param("diffuse", texture_shader);
    } else {
        writer->begin_shader(nullptr, "tav_diffuse");
        writer->set_color_param("diffuse", diffuse[0], diffuse[1], diffuse[2]);
    }
    ShaderBuffer* material_shader = writer->current_shader();
    writer->end_shader(0);
    writer->set_shader(SHADER_SURFACE, material_shader);
    writer->end_material();
}
