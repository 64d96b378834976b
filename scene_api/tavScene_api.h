// The scene description writer interface: one operation per kind of statement of the
// Vistrel scene format. The order of the virtual operations is fixed; do not reorder them.
#pragma once

#include <cstdint>

// Value kinds passed with every parameter value. PARAM_ARRAY marks an array of the base
// kind given by the other bits; its value is a ParamArray.
enum {
    PARAM_COLOR = 1,        // three floats
    PARAM_FLOAT4 = 2,       // four floats
    PARAM_FLOAT = 3,        // one float
    PARAM_DOUBLE = 4,       // one double
    PARAM_VECTOR = 5,       // three doubles
    PARAM_INT = 6,          // one int
    PARAM_BOOL = 7,         // one int, "on" unless zero
    PARAM_RESERVED8 = 8,    // prints nothing
    PARAM_MATRIX = 9,       // sixteen doubles, row-major
    PARAM_STRING = 10,      // the characters of the string
    PARAM_SHADER = 11,      // set_param: pointer to a shader handle
    PARAM_RESERVED12 = 12,  // prints nothing
    PARAM_STRING_PTR = 13,  // set_param: pointer to a const char*
    PARAM_FLOAT2 = 14,      // two floats
    PARAM_FLOAT4B = 15,     // four floats
    PARAM_INT2 = 16,        // two ints
    PARAM_INT3 = 17,        // three ints
    PARAM_INT4 = 18,        // four ints
    PARAM_ARRAY = 32768,
};

// Shader kinds for set_shader.
enum {
    SHADER_SURFACE = 0,
    SHADER_SHADOW = 1,
    SHADER_VOLUME = 2,
    SHADER_REFLECTION_MAP = 3,
    SHADER_INIT = 8,
};

// Object visibility flags; the first four are set by begin_object.
enum {
    FLAG_CAUSTICS_TRACE = 256,
    FLAG_CAUSTICS_STORE = 512,
    FLAG_AMBIENT_TRACE = 1024,
    FLAG_AMBIENT_STORE = 2048,
    FLAG_INVISIBLE = 16384,
};

// The value of an array kind: contiguous elements and their count.
struct ParamArray {
    const void* data;
    int count;
};

// The captured text of one anonymous shader; a pointer to it is a shader handle.
struct ShaderBuffer;

class tavScene_api {
  public:
    virtual ~tavScene_api() = default;

    virtual void reserved_01() = 0;
    virtual bool render() = 0;
    virtual void transform(const double* matrix, bool set) = 0;
    virtual void scale(const double& x, const double& y, const double& z) = 0;
    virtual void rotate(const double& x, const double& y, const double& z) = 0;
    virtual void translate(const double& x, const double& y, const double& z) = 0;
    virtual void motion(const double* matrix, float time) = 0;
    virtual bool begin_group(const char* name, bool in_scene) = 0;
    virtual void end_group() = 0;
    virtual bool begin_frame(int frame) = 0;
    virtual void end_frame() = 0;
    virtual bool begin_matrix(const char* name) = 0;
    virtual void end_matrix() = 0;
    virtual int reserved_14(int value) = 0;
    virtual bool begin_options() = 0;
    virtual void end_options() = 0;
    virtual bool begin_camera(const char* name) = 0;
    virtual void end_camera() = 0;
    virtual bool modify_camera(const char* name) = 0;
    virtual bool begin_image() = 0;
    virtual void end_image() = 0;
    virtual bool begin_output(const char* first, const char* second, const char* third) = 0;
    virtual void end_output() = 0;
    virtual bool begin_object(const char* name, bool in_scene) = 0;
    virtual void end_object() = 0;
    virtual void set_object_flags(int mask, bool on) = 0;
    virtual int reserved_27(int value) = 0;
    virtual bool modify_object(const char* name) = 0;
    virtual void reserved_29(int first, int second) = 0;
    virtual bool begin_light(const char* name, int ignored) = 0;
    virtual bool modify_light(const char* name) = 0;
    virtual void end_light() = 0;
    virtual void set_global_photons(int count) = 0;
    virtual void set_caustic_photons(int count) = 0;
    virtual void set_volume_photons(int count) = 0;
    virtual bool begin_geometry(const char* type) = 0;
    virtual void end_geometry() = 0;
    virtual std::uint32_t reserved_38() = 0;
    virtual bool begin_accel(const char* name) = 0;
    virtual void end_accel() = 0;
    virtual bool reserved_41(std::uint32_t value) = 0;
    virtual void reserved_42() = 0;
    virtual bool instance(const char* name) = 0;
    virtual bool begin_animation(const char* first, const char* second) = 0;
    virtual int end_animation() = 0;
    virtual bool begin_material(const char* name, bool in_scene) = 0;
    virtual bool use_material(const char* name, int ignored) = 0;
    virtual void end_material() = 0;
    virtual void set_shader(int kind, ShaderBuffer* shader) = 0;
    virtual bool modify_material(const char* name) = 0;
    virtual bool begin_shader(const char* name, const char* type) = 0;
    virtual void end_shader(int ignored) = 0;
    virtual bool reserved_53(std::uint32_t value) = 0;
    virtual ShaderBuffer* current_shader() = 0;
    virtual void push_shader() = 0;
    virtual void pop_shader() = 0;
    virtual bool begin_load(const char* name) = 0;
    virtual void end_load() = 0;
    virtual void print_text(const char* format, ...) = 0;
    virtual void set_format_flags(int flags, int ignored) = 0;
    virtual void reserved_61(std::uint32_t value) = 0;
    virtual void progress(const char* name, float fraction) = 0;
    virtual void icon(const unsigned char* bytes, int size) = 0;
    virtual void blob(const char* keyword, const unsigned char* bytes, int size) = 0;
    virtual bool set_param(const char* name, int kind, const void* value) = 0;
    virtual bool link_param(const char* name, ShaderBuffer* shader) = 0;
    virtual void add_array_value(int kind, const void* value) = 0;
    virtual int reserved_68() = 0;
    virtual bool begin_array_param(const char* name) = 0;
    virtual void end_array_param() = 0;
    virtual int reserved_71(std::uint32_t value) = 0;

    // Typed shorthands for set_param.
    bool set_int_param(const char* name, int value) { return set_param(name, PARAM_INT, &value); }
    bool set_bool_param(const char* name, int value) { return set_param(name, PARAM_BOOL, &value); }
    bool set_float_param(const char* name, float value) {
        return set_param(name, PARAM_FLOAT, &value);
    }
    bool set_color_param(const char* name, float r, float g, float b) {
        const float rgb[3] = {r, g, b};
        return set_param(name, PARAM_COLOR, rgb);
    }
    bool set_vector_param(const char* name, const double* xyz) {
        return set_param(name, PARAM_VECTOR, xyz);
    }
};
