// A scene writer that records each call as one readable line in its stream, so tests can check
// what the scene export layer asks for without depending on the scene text.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "tavScene_api.h"

// clang-format off
// An operation recorded by its name alone, returning a zero of its type.
#define BY_NAME(type, name, parameters) type name parameters override { return log(#name "()"), type(); }

class RecordingWriter : public tavScene_api {
  public:
    explicit RecordingWriter(FILE* out) : out(out) {}
    ~RecordingWriter() override { std::fclose(out); }
    // For SceneBuilder's writer factory.
    static std::unique_ptr<tavScene_api> make(FILE* stream) { return std::make_unique<RecordingWriter>(stream); }

    // The operations the exporter uses, with their arguments.
    void transform(const double* m, bool set) override { log(format("transform(%s, %s)", matrix(m).c_str(), set ? "set" : "no set")); }
    bool begin_group(const char* name, bool in_scene) override { return log(format("begin_group(\"%s\", %d)", name, in_scene)), true; }
    bool begin_camera(const char* name) override { return log(format("begin_camera(\"%s\")", name ? name : "(null)")), true; }
    bool begin_object(const char* name, bool in_scene) override { return log(format("begin_object(\"%s\", %d)", name, in_scene)), true; }
    bool begin_geometry(const char* type) override { return log(format("begin_geometry(\"%s\")", type)), true; }
    bool begin_accel(const char* name) override { return log(format("begin_accel(\"%s\")", name)), true; }
    bool begin_material(const char* name, bool in_scene) override { return log(format("begin_material(\"%s\", %d)", name, in_scene)), true; }
    void set_shader(int kind, ShaderBuffer* shader) override { log(format("set_shader(%d, %s)", kind, handle(shader).c_str())); }
    // Anonymous shaders get handles numbered from 1; they are never dereferenced.
    bool begin_shader(const char* name, const char* type) override {
        if (!name) active = reinterpret_cast<ShaderBuffer*>(static_cast<std::uintptr_t>(++shaders));
        return log(format("begin_shader(%s, \"%s\")", name ? name : "null", type)), true;
    }
    ShaderBuffer* current_shader() override { return log("current_shader() -> " + handle(active)), active; }
    void print_text(const char* format, ...) override {
        char text[1024];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        std::string escaped;
        for (const char* c = text; *c; ++c) escaped += *c == '\n' ? std::string("\\n") : std::string(1, *c);
        log("print_text(\"" + escaped + "\")");
    }
    void progress(const char* name, float fraction) override { log(format("progress(\"%s\", %g)", name, fraction)); }
    bool set_param(const char* name, int kind, const void* value) override { return log(format("set_param(\"%s\", %s)", name, typed(kind, value).c_str())), true; }
    bool link_param(const char* name, ShaderBuffer* shader) override { return log(format("link_param(\"%s\", %s)", name, handle(shader).c_str())), true; }
    void add_array_value(int kind, const void* value) override { log("add_array_value(" + typed(kind, value) + ")"); }
    bool begin_array_param(const char* name) override { return log(format("begin_array_param(\"%s\")", name)), true; }

    // The ends, which take no arguments that matter, and the operations the exporter never uses.
    BY_NAME(void, end_group, ()) BY_NAME(void, end_camera, ()) BY_NAME(void, end_object, ()) BY_NAME(void, end_geometry, ())
    BY_NAME(void, end_accel, ()) BY_NAME(void, end_material, ()) BY_NAME(void, end_shader, (int))
    BY_NAME(void, end_array_param, ()) BY_NAME(void, reserved_01, ()) BY_NAME(bool, render, ())
    BY_NAME(void, scale, (const double&, const double&, const double&))
    BY_NAME(void, rotate, (const double&, const double&, const double&))
    BY_NAME(void, translate, (const double&, const double&, const double&)) BY_NAME(void, motion, (const double*, float))
    BY_NAME(bool, begin_frame, (int)) BY_NAME(void, end_frame, ()) BY_NAME(bool, begin_matrix, (const char*))
    BY_NAME(void, end_matrix, ()) BY_NAME(int, reserved_14, (int)) BY_NAME(bool, begin_options, ())
    BY_NAME(void, end_options, ()) BY_NAME(bool, modify_camera, (const char*)) BY_NAME(bool, begin_image, ())
    BY_NAME(void, end_image, ()) BY_NAME(bool, begin_output, (const char*, const char*, const char*))
    BY_NAME(void, end_output, ()) BY_NAME(void, set_object_flags, (int, bool)) BY_NAME(int, reserved_27, (int))
    BY_NAME(bool, modify_object, (const char*)) BY_NAME(void, reserved_29, (int, int))
    BY_NAME(bool, begin_light, (const char*, int)) BY_NAME(bool, modify_light, (const char*)) BY_NAME(void, end_light, ())
    BY_NAME(void, set_global_photons, (int)) BY_NAME(void, set_caustic_photons, (int)) BY_NAME(void, set_volume_photons, (int))
    BY_NAME(std::uint32_t, reserved_38, ()) BY_NAME(bool, reserved_41, (std::uint32_t)) BY_NAME(void, reserved_42, ())
    BY_NAME(bool, instance, (const char*)) BY_NAME(bool, begin_animation, (const char*, const char*))
    BY_NAME(int, end_animation, ()) BY_NAME(bool, use_material, (const char*, int))
    BY_NAME(bool, modify_material, (const char*)) BY_NAME(bool, reserved_53, (std::uint32_t)) BY_NAME(void, push_shader, ())
    BY_NAME(void, pop_shader, ()) BY_NAME(bool, begin_load, (const char*)) BY_NAME(void, end_load, ())
    BY_NAME(void, set_format_flags, (int, int)) BY_NAME(void, reserved_61, (std::uint32_t))
    BY_NAME(void, icon, (const unsigned char*, int)) BY_NAME(void, blob, (const char*, const unsigned char*, int))
    BY_NAME(int, reserved_68, ()) BY_NAME(int, reserved_71, (std::uint32_t))

  private:
    void log(const std::string& line) { std::fprintf(out, "%s\n", line.c_str()); }

    static std::string format(const char* format, ...) {
        char text[4096];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        return text;
    }

    static std::string handle(ShaderBuffer* shader) {
        return shader ? "shader " + std::to_string(reinterpret_cast<std::uintptr_t>(shader)) : "null shader";
    }

    static std::string matrix(const double* m) {
        std::string text = "[";
        for (int i = 0; i < 16; ++i) text += format(i ? " %g" : "%g", m[i]);
        return text + "]";
    }

    // Floats are shown with nine digits so that their exact single-precision value shows.
    static std::string typed(int kind, const void* value) {
        auto f = static_cast<const float*>(value);
        auto d = static_cast<const double*>(value);
        auto i = static_cast<const int*>(value);
        switch (kind) {
            case PARAM_COLOR: return format("COLOR %.9g %.9g %.9g", f[0], f[1], f[2]);
            case PARAM_FLOAT: return format("FLOAT %.9g", f[0]);
            case PARAM_FLOAT2: return format("FLOAT2 %.9g %.9g", f[0], f[1]);
            case PARAM_VECTOR: return format("VECTOR %.17g %.17g %.17g", d[0], d[1], d[2]);
            case PARAM_INT: return format("INT %d", i[0]);
            case PARAM_BOOL: return format("BOOL %d", i[0]);
            case PARAM_MATRIX: return "MATRIX " + matrix(d);
            case PARAM_STRING: return format("STRING \"%s\"", static_cast<const char*>(value));
            case PARAM_SHADER: return "SHADER " + handle(*static_cast<ShaderBuffer* const*>(value));
            default: return format("kind %d", kind);
        }
    }

    FILE* out;
    ShaderBuffer* active = nullptr;
    int shaders = 0;
};
// clang-format on

#undef BY_NAME
