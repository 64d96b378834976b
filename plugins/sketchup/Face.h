// One call's worth of faces of one material, as the modeller's scripts hand them over.
#pragma once

struct Face {
    int num_p = 0;           // vertex count
    int num_f = 0;           // triangle count
    float* parr = nullptr;   // positions, 3 per vertex
    float* narr = nullptr;   // normals, 3 per vertex
    float* uvarr = nullptr;  // texture coordinates, 3 per vertex (u, v, unused)
    int* farr = nullptr;     // vertex numbers, 3 per triangle, counted from 1
    char material[256] = {};
    char texture[256] = {};
    int r = 0, g = 0, b = 0;  // colour, 0 to 255
    float a = 0.0f;           // opacity

    Face() = default;
    // Texts are copied, cut at 255 bytes; null gives the empty text. The arrays are referred to,
    // not copied.
    Face(int num_vertices, int num_faces, float* vs, int* fs, float* ns, float* uvs,
         const char* material, const char* texture, int r, int g, int b, float a);
};
