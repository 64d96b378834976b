// A scene writer that records each call as one readable line in its stream, so tests can check
// what the scene export layer asks for without depending on the scene text.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "tavScene_api.h"

class RecordingWriter : public tavScene_api {
  public:
    explicit RecordingWriter(FILE* out) : out(out) {}
    ~RecordingWriter() override { std::fclose(out); }

    // For SceneBuilder's writer factory.
    static std::unique_ptr<tavScene_api> make(FILE* stream) {
        return std::make_unique<RecordingWriter>(stream);
    }

    // clang-format off
    void reserved_01() override { log("reserved_01()"); }
    bool render() override { return log("render()"), true; }
    void transform(const double* m, bool set) override { log("transform(%s, %s)", matrix(m).c_str(), set ? "set" : "no set"); }
    void scale(const double& x, const double& y, const double& z) override { log("scale(%g, %g, %g)", x, y, z); }
    void rotate(const double& x, const double& y, const double& z) override { log("rotate(%g, %g, %g)", x, y, z); }
    void translate(const double& x, const double& y, const double& z) override { log("translate(%g, %g, %g)", x, y, z); }
    void motion(const double* m, float time) override { log("motion(%s, %g)", matrix(m).c_str(), time); }
    bool begin_group(const char* name, bool in_scene) override { return log("begin_group(\"%s\", %d)", name, in_scene), true; }
    void end_group() override { log("end_group()"); }
    bool begin_frame(int frame) override { return log("begin_frame(%d)", frame), true; }
    void end_frame() override { log("end_frame()"); }
    bool begin_matrix(const char* name) override { return log("begin_matrix(\"%s\")", name), true; }
    void end_matrix() override { log("end_matrix()"); }
    int reserved_14(int value) override { return log("reserved_14(%d)", value), value; }
    bool begin_options() override { return log("begin_options()"), true; }
    void end_options() override { log("end_options()"); }
    bool begin_camera(const char* name) override { return log("begin_camera(\"%s\")", name ? name : "(null)"), true; }
    void end_camera() override { log("end_camera()"); }
    bool modify_camera(const char* name) override { return log("modify_camera(\"%s\")", name), true; }
    bool begin_image() override { return log("begin_image()"), true; }
    void end_image() override { log("end_image()"); }
    bool begin_output(const char* a, const char* b, const char* c) override { return log("begin_output(\"%s\", \"%s\", \"%s\")", a, b, c), true; }
    void end_output() override { log("end_output()"); }
    bool begin_object(const char* name, bool in_scene) override { return log("begin_object(\"%s\", %d)", name, in_scene), true; }
    void end_object() override { log("end_object()"); }
    void set_object_flags(int mask, bool on) override { log("set_object_flags(%d, %d)", mask, on); }
    int reserved_27(int value) override { return log("reserved_27(%d)", value), value; }
    bool modify_object(const char* name) override { return log("modify_object(\"%s\")", name), true; }
    void reserved_29(int a, int b) override { log("reserved_29(%d, %d)", a, b); }
    bool begin_light(const char* name, int) override { return log("begin_light(\"%s\")", name), true; }
    bool modify_light(const char* name) override { return log("modify_light(\"%s\")", name), true; }
    void end_light() override { log("end_light()"); }
    void set_global_photons(int n) override { log("set_global_photons(%d)", n); }
    void set_caustic_photons(int n) override { log("set_caustic_photons(%d)", n); }
    void set_volume_photons(int n) override { log("set_volume_photons(%d)", n); }
    bool begin_geometry(const char* type) override { return log("begin_geometry(\"%s\")", type), true; }
    void end_geometry() override { log("end_geometry()"); }
    std::uint32_t reserved_38() override { return log("reserved_38()"), 0; }
    bool begin_accel(const char* name) override { return log("begin_accel(\"%s\")", name), true; }
    void end_accel() override { log("end_accel()"); }
    bool reserved_41(std::uint32_t) override { return log("reserved_41()"), false; }
    void reserved_42() override { log("reserved_42()"); }
    bool instance(const char* name) override { return log("instance(\"%s\")", name), true; }
    bool begin_animation(const char* a, const char* b) override { return log("begin_animation(\"%s\", \"%s\")", a, b), true; }
    int end_animation() override { return log("end_animation()"), 0; }
    bool begin_material(const char* name, bool in_scene) override { return log("begin_material(\"%s\", %d)", name, in_scene), true; }
    bool use_material(const char* name, int) override { return log("use_material(\"%s\")", name), true; }
    void end_material() override { log("end_material()"); }
    void set_shader(int kind, ShaderBuffer* shader) override { log("set_shader(%d, %s)", kind, handle(shader).c_str()); }
    bool modify_material(const char* name) override { return log("modify_material(\"%s\")", name), true; }
    // Anonymous shaders get handles numbered from 1; they are never dereferenced.
    bool begin_shader(const char* name, const char* type) override {
        if (!name) active = reinterpret_cast<ShaderBuffer*>(static_cast<std::uintptr_t>(++shaders));
        return log("begin_shader(%s, \"%s\")", name ? name : "null", type), true;
    }
    void end_shader(int) override { log("end_shader()"); }
    bool reserved_53(std::uint32_t) override { return log("reserved_53()"), false; }
    ShaderBuffer* current_shader() override { return log("current_shader() -> %s", handle(active).c_str()), active; }
    void push_shader() override { log("push_shader()"); }
    void pop_shader() override { log("pop_shader()"); }
    bool begin_load(const char* name) override { return log("begin_load(\"%s\")", name), true; }
    void end_load() override { log("end_load()"); }
    void print_text(const char* format, ...) override {
        char text[1024];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        log("print_text(\"%s\")", escaped(text).c_str());
    }
    void set_format_flags(int flags, int) override { log("set_format_flags(%d)", flags); }
    void reserved_61(std::uint32_t) override { log("reserved_61()"); }
    void progress(const char* name, float fraction) override { log("progress(\"%s\", %g)", name, fraction); }
    void icon(const unsigned char*, int size) override { log("icon(%d bytes)", size); }
    void blob(const char* keyword, const unsigned char*, int size) override { log("blob(%s, %d bytes)", keyword, size); }
    bool set_param(const char* name, int kind, const void* value) override { return log("set_param(\"%s\", %s)", name, typed(kind, value).c_str()), true; }
    bool link_param(const char* name, ShaderBuffer* shader) override { return log("link_param(\"%s\", %s)", name, handle(shader).c_str()), true; }
    void add_array_value(int kind, const void* value) override { log("add_array_value(%s)", typed(kind, value).c_str()); }
    int reserved_68() override { return log("reserved_68()"), 10; }
    bool begin_array_param(const char* name) override { return log("begin_array_param(\"%s\")", name), true; }
    void end_array_param() override { log("end_array_param()"); }
    int reserved_71(std::uint32_t) override { return log("reserved_71()"), 10; }
    // clang-format on

  private:
    void log(const char* format, ...) {
        va_list arguments;
        va_start(arguments, format);
        std::vfprintf(out, format, arguments);
        va_end(arguments);
        std::fputc('\n', out);
    }

    static std::string handle(ShaderBuffer* shader) {
        if (!shader) return "null shader";
        return "shader " + std::to_string(reinterpret_cast<std::uintptr_t>(shader));
    }

    static std::string escaped(const char* text) {
        std::string result;
        for (; *text; ++text) result += *text == '\n' ? std::string("\\n") : std::string(1, *text);
        return result;
    }

    static std::string format(const char* format, ...) {
        char text[512];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        return text;
    }

    static std::string matrix(const double* m) {
        std::string text = "[";
        for (int i = 0; i < 16; ++i) text += format(i ? " %g" : "%g", m[i]);
        return text + "]";
    }

    // Floats are shown with nine digits so that their exact single-precision value shows.
    std::string typed(int kind, const void* value) const {
        auto f = static_cast<const float*>(value);
        auto d = static_cast<const double*>(value);
        auto i = static_cast<const int*>(value);
        switch (kind) {
            case PARAM_COLOR:
                return format("COLOR %.9g %.9g %.9g", f[0], f[1], f[2]);
            case PARAM_FLOAT:
                return format("FLOAT %.9g", f[0]);
            case PARAM_FLOAT2:
                return format("FLOAT2 %.9g %.9g", f[0], f[1]);
            case PARAM_VECTOR:
                return format("VECTOR %.17g %.17g %.17g", d[0], d[1], d[2]);
            case PARAM_INT:
                return format("INT %d", i[0]);
            case PARAM_BOOL:
                return format("BOOL %d", i[0]);
            case PARAM_MATRIX:
                return "MATRIX " + matrix(d);
            case PARAM_STRING:
                return format("STRING \"%s\"", static_cast<const char*>(value));
            case PARAM_SHADER:
                return "SHADER " + handle(*static_cast<ShaderBuffer* const*>(value));
            default:
                return format("kind %d", kind);
        }
    }

    FILE* out;
    ShaderBuffer* active = nullptr;
    int shaders = 0;
};
