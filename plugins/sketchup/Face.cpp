#include "Face.h"

#include <cstring>

namespace {

void copy_face_text(char (&target)[256], const char* source) {
    std::size_t length = source ? std::strlen(source) : 0;
    if (length > sizeof target - 1) length = sizeof target - 1;
    if (length > 0) std::memcpy(target, source, length);
    target[length] = '\0';
}

}  // namespace

Face::Face(int num_vertices, int num_faces, float* vs, int* fs, float* ns, float* uvs,
           const char* material_name, const char* texture_path, int red, int green, int blue,
           float opacity)
    : num_p(num_vertices),
      num_f(num_faces),
      parr(vs),
      narr(ns),
      uvarr(uvs),
      farr(fs),
      r(red),
      g(green),
      b(blue),
      a(opacity) {
    copy_face_text(material, material_name);
    copy_face_text(texture, texture_path);
}
