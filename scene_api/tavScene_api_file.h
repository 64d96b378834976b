// The scene writer that prints the Vistrel scene description to a standard I/O stream.
#pragma once

#include <cstdio>
#include <string>

#include "BinaryItems.h"
#include "ShaderBuffer.h"
#include "WriterStack.h"
#include "tavScene_api.h"

#if defined(__GNUC__)
#define TAV_PRINTF_FORMAT(format_index, first_arg) \
    __attribute__((format(printf, format_index, first_arg)))
#else
#define TAV_PRINTF_FORMAT(format_index, first_arg)
#endif

class tavScene_api_file : public tavScene_api {
  public:
    // Opens path for writing; when that fails the process's standard output is used instead
    // and error() reports why the file could not be opened.
    tavScene_api_file(const char* path, bool binary_arrays);
    // Takes the stream over: the writer closes it.
    tavScene_api_file(FILE* stream, bool binary_arrays);
    ~tavScene_api_file() override;
    tavScene_api_file(const tavScene_api_file&) = delete;
    tavScene_api_file& operator=(const tavScene_api_file&) = delete;

    // errno of the first failed open, write, flush or close; 0 when none failed.
    int error() const { return first_error; }
    // Flushes and closes the stream now and returns error(). Later writes are skipped and
    // the destructor closes nothing more.
    int close();

    // An array parameter of count elements of kind PARAM_COLOR, PARAM_FLOAT or PARAM_INT laid
    // out back to back at elements: the same bytes as begin_array_param, add_array_value for
    // each element and end_array_param, without a call per element. In binary mode the
    // elements leave in one block straight from where they are.
    void write_array_param(const char* name, int kind, const void* elements, std::size_t count);
    // A run of count elements laid out back to back.
    struct ArrayPiece {
        const void* elements;
        std::size_t count;
    };
    // The same for an array whose elements lie in pieces, one after another: the bytes of
    // write_array_param of the pieces joined, without joining them.
    void write_array_param(const char* name, int kind, const ArrayPiece* pieces,
                           std::size_t piece_count);

    void reserved_01() override;
    bool render() override;
    void transform(const double* matrix, bool set) override;
    void scale(const double& x, const double& y, const double& z) override;
    void rotate(const double& x, const double& y, const double& z) override;
    void translate(const double& x, const double& y, const double& z) override;
    void motion(const double* matrix, float time) override;
    bool begin_group(const char* name, bool in_scene) override;
    void end_group() override;
    bool begin_frame(int frame) override;
    void end_frame() override;
    bool begin_matrix(const char* name) override;
    void end_matrix() override;
    int reserved_14(int value) override;
    bool begin_options() override;
    void end_options() override;
    bool begin_camera(const char* name) override;
    void end_camera() override;
    bool modify_camera(const char* name) override;
    bool begin_image() override;
    void end_image() override;
    bool begin_output(const char* first, const char* second, const char* third) override;
    void end_output() override;
    bool begin_object(const char* name, bool in_scene) override;
    void end_object() override;
    void set_object_flags(int mask, bool on) override;
    int reserved_27(int value) override;
    bool modify_object(const char* name) override;
    void reserved_29(int first, int second) override;
    bool begin_light(const char* name, int ignored) override;
    bool modify_light(const char* name) override;
    void end_light() override;
    void set_global_photons(int count) override;
    void set_caustic_photons(int count) override;
    void set_volume_photons(int count) override;
    bool begin_geometry(const char* type) override;
    void end_geometry() override;
    std::uint32_t reserved_38() override;
    bool begin_accel(const char* name) override;
    void end_accel() override;
    bool reserved_41(std::uint32_t value) override;
    void reserved_42() override;
    bool instance(const char* name) override;
    bool begin_animation(const char* first, const char* second) override;
    int end_animation() override;
    bool begin_material(const char* name, bool in_scene) override;
    bool use_material(const char* name, int ignored) override;
    void end_material() override;
    void set_shader(int kind, ShaderBuffer* shader) override;
    bool modify_material(const char* name) override;
    bool begin_shader(const char* name, const char* type) override;
    void end_shader(int ignored) override;
    bool reserved_53(std::uint32_t value) override;
    ShaderBuffer* current_shader() override;
    void push_shader() override;
    void pop_shader() override;
    bool begin_load(const char* name) override;
    void end_load() override;
    void print_text(const char* format, ...) override;
    void set_format_flags(int flags, int ignored) override;
    void reserved_61(std::uint32_t value) override;
    void progress(const char* name, float fraction) override;
    void icon(const unsigned char* bytes, int size) override;
    void blob(const char* keyword, const unsigned char* bytes, int size) override;
    bool set_param(const char* name, int kind, const void* value) override;
    bool link_param(const char* name, ShaderBuffer* shader) override;
    void add_array_value(int kind, const void* value) override;
    int reserved_68() override;
    bool begin_array_param(const char* name) override;
    void end_array_param() override;
    int reserved_71(std::uint32_t value) override;

  private:
    enum Block { NO_BLOCK = 0, OPTIONS_BLOCK = 1, CAMERA_BLOCK = 2, IMAGE_BLOCK = 3 };

    void start(FILE* output, bool binary);

    // Output primitives; every statement is built from these.
    TAV_PRINTF_FORMAT(2, 3) void write_indented(const char* format, ...);
    TAV_PRINTF_FORMAT(2, 3) void write_raw(const char* format, ...);
    void write_bytes(const char* bytes, std::size_t n);
    void write_string(const char* s);
    void write_name(const char* s);
    void write_hex_blob(const unsigned char* bytes, int n);
    void write_shader(const ShaderBuffer* shader);
    // Writes text with the current indentation before it and after each inner line feed.
    void emit_indented(const char* text, std::size_t length);
    // The indentation alone, as write_indented of an empty format.
    void write_indentation() { emit_indented("", 0); }
    // Sends text to the capturing shader or to the stream.
    void emit(const char* text, std::size_t length);
    void flush();
    void note_failure();

    // Block patterns shared by most operations.
    void open_named_block(const char* keyword, const char* name);
    void close_block();
    bool begin_exclusive(Block which);
    void end_exclusive(Block which);

    // Value printing.
    void write_value(int kind, const void* value);
    void write_array_value(int base_kind, const void* value);
    void write_binary_array(char tag, const void* items, int item_count);
    void write_binary_block(char tag, const void* items, std::size_t item_count);
    void write_binary_header(char tag, std::size_t item_count);
    void write_text_array(int base_kind, const ParamArray& array);
    void write_string_array(const ParamArray& array);
    void write_matrix_array(const ParamArray& array);
    void add_array_value_slowly(int kind, const void* value);
    void add_text_array_value(int kind, const void* value);

    WriterStack<int> indent_stack;
    WriterStack<ShaderBuffer*> owned_shaders;
    WriterStack<ShaderBuffer*> shader_stack;
    WriterStack<bool> capture_stack;
    WriterStack<bool> keyword_stack;
    bool capturing = false;
    ShaderBuffer* active_shader = nullptr;
    FILE* stream = nullptr;
    int object_flags = 3840;
    int indent = 0;
    int array_count = 0;
    bool keyword_params = false;
    int block = NO_BLOCK;
    bool binary_arrays = false;
    char binary_tag = 'f';
    BinaryItems binary_items;

    int first_error = 0;
    std::string format_buffer;    // formatted text of one write
    std::string indented_buffer;  // the same with its indentation
    std::string bytes_buffer;     // hexadecimal forms of names and blobs
};
