// The scene export layer: owns the output and the writer of one scene at a time, collects one
// mesh at a time with its material, and turns meshes, groups, the environment and the camera
// into writer calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "MeshList.h"
#include "tavScene_api.h"

class tavScene_api_file;

class SceneBuilder {
  public:
    SceneBuilder();
    ~SceneBuilder();
    SceneBuilder(const SceneBuilder&) = delete;
    SceneBuilder& operator=(const SceneBuilder&) = delete;

    // file_name is UTF-8; "-" is the process's standard output. group_name names the top group
    // (null gives "object"). With fresh_file, whatever is at file_name is replaced by a new file
    // and never written through. Throws std::ios_base::failure naming the path and the OS error
    // when the output cannot be opened, and std::logic_error when a scene is already open.
    void open_scene(const char* file_name, const char* group_name, bool fresh_file = false);
    // Ends the top group and closes the output; does nothing when no scene is open. Throws
    // std::ios_base::failure after closing when any write, flush or close of the scene failed.
    void close_scene();
    // A scene is open only in the process that opened it: a forked child finds it closed, its
    // copy dropped without a byte written.
    tavScene_api* get_writer() { return is_open() ? writer.get() : nullptr; }
    bool is_open();

    // The operations that write throw std::logic_error when no scene is open; the add and set
    // operations only collect.
    void begin_mesh(const char* name);
    void set_name(const char* name);
    // Makes room for a mesh of this size, so that the add operations that follow do not grow
    // the lists as they go; a size too small or too large changes nothing else.
    void reserve_mesh(std::size_t vertex_count, std::size_t triangle_count);
    // Defined here: a large mesh makes millions of these calls.
    void add_vertex(float x, float y, float z) { append(vertices, x, y, z); }
    void add_triangle(int i, int j, int k) { append(triangles, i, j, k); }
    void add_normal(float x, float y, float z) { append(normals, x, y, z); }
    void add_triangle_normals(int i, int j, int k) { append(triangle_normals, i, j, k); }
    void add_uv(float u, float v) {
        uvs.push_back(u);
        uvs.push_back(v);
    }
    void add_triangle_uvs(int i, int j, int k) { append(triangle_uvs, i, j, k); }
    // Runs of values lent rather than added one at a time, as if each were added in order after
    // what was added before: count positions or normals (three floats each), texture coordinate
    // pairs, or triangles (three indices from 0). The values must stay where they are until
    // end_mesh has written them; end_mesh forgets them, also when it fails, and so do
    // begin_mesh and forget_lent.
    void lend_vertices(const float* xyz, std::size_t count) { vertices.lend(xyz, 3 * count); }
    void lend_normals(const float* xyz, std::size_t count) { normals.lend(xyz, 3 * count); }
    void lend_uvs(const float* uv, std::size_t count) { uvs.lend(uv, 2 * count); }
    void lend_triangles(const std::int32_t* ijk, std::size_t count) {
        triangles.lend(ijk, 3 * count);
    }
    void forget_lent();
    void set_diffuse(float r, float g, float b);
    void set_specular(float r, float g, float b);
    void set_alpha(float a);
    void set_texture(const char* path);
    void end_mesh();

    void open_group(const char* name);
    void close_group();
    void set_progress(float fraction);
    void set_progress_label(const char* text, bool keep_name);

    void open_camera(const char* name);
    void set_camera_position(float x, float y, float z);
    void set_camera_direction(float x, float y, float z);
    void set_camera_up(float x, float y, float z);
    void set_camera_clipping(float near_plane, float far_plane);
    void set_camera_fov(float fov);
    void close_camera();

  protected:
    // Makes the writer of a scene over its open stream, taking the stream over. Tests put a
    // recording writer here; by default the scene gets a tavScene_api_file.
    using WriterFactory = std::unique_ptr<tavScene_api> (*)(FILE* stream);
    WriterFactory writer_factory = nullptr;

    FILE* stream = nullptr;
    std::unique_ptr<tavScene_api> writer;
    MeshList<float> vertices;
    MeshList<std::int32_t> triangles;
    MeshList<float> uvs;
    MeshList<std::int32_t> triangle_uvs;
    MeshList<float> normals;
    MeshList<std::int32_t> triangle_normals;
    float diffuse[3] = {0.0f, 0.0f, 0.0f};
    float specular[3] = {0.0f, 0.0f, 0.0f};
    float alpha = 1.0f;
    float progress = 0.0f;
    bool has_specular = false;
    bool has_alpha = false;
    char name[128] = {};
    char texture[1024] = {};
    std::string scene_path;  // for error messages
    long owner_process = 0;  // the process that opened the scene
    // The writer when it is a tavScene_api_file, whose stream errors close_scene reports.
    tavScene_api_file* file_writer = nullptr;

  private:
    template <typename T>
    static void append(MeshList<T>& list, T a, T b, T c) {
        list.push_back(a);
        list.push_back(b);
        list.push_back(c);
    }
    tavScene_api& open_writer(const char* operation);
    template <typename T>
    void write_array(const char* name, int kind, const MeshList<T>& list, std::size_t step);
    void write_normals();
    void write_uvs();
    ShaderBuffer* write_texture_shader();
    void write_material(ShaderBuffer* texture_shader);
};

// Opens a file by its UTF-8 name.
FILE* fopen_utf8(const char* path, const char* mode);
