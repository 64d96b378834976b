// Construction, destruction and the stream's life of the scene writer.
#include "tavScene_api_file.h"

#include <cerrno>
#include <clocale>

#include "format_text.h"

namespace {

// Numbers must come out with a full stop as decimal separator and without digit grouping;
// the "C" locale gives that on every platform.
void use_full_stop_numbers() {
    std::setlocale(LC_NUMERIC, "C");
}

bool is_standard_stream(FILE* f) {
    return f == stdout || f == stderr || f == stdin;
}

}  // namespace

tavScene_api_file::tavScene_api_file(const char* path, bool binary) {
    use_full_stop_numbers();
    FILE* output = path ? std::fopen(path, "wb+") : nullptr;
    if (!output) {
        // The scene still goes somewhere, but the caller can learn that the file is missing.
        first_error = (path && errno) ? errno : ENOENT;
        output = stdout;
    }
    start(output, binary);
}

tavScene_api_file::tavScene_api_file(FILE* output, bool binary) {
    start(output, binary);
}

void tavScene_api_file::start(FILE* output, bool binary) {
    stream = output;
    use_full_stop_numbers();
    binary_arrays = binary;
    indent = 0;
    capturing = false;
    block = NO_BLOCK;
    keyword_params = false;
    active_shader = nullptr;
    owned_shaders.push(nullptr);  // sentinel: the destructor frees down to it
}

tavScene_api_file::~tavScene_api_file() {
    close();
    std::setlocale(LC_NUMERIC, "C");
    while (ShaderBuffer* shader = owned_shaders.pop()) delete shader;
}

int tavScene_api_file::close() {
    if (!stream) return first_error;
    FILE* closing = stream;
    stream = nullptr;
    // The process's own standard streams stay open for whoever writes to them next.
    if (is_standard_stream(closing)) {
        if (std::fflush(closing) != 0) note_failure();
    } else if (std::fclose(closing) != 0) {
        note_failure();
    }
    return first_error;
}

void tavScene_api_file::note_failure() {
    if (first_error == 0) first_error = errno != 0 ? errno : EIO;
}

void tavScene_api_file::print_text(const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    vformat_into(text, format, args);
    va_end(args);
    // Written as literal text: a percent sign in the result stays as it is.
    emit_indented(text.data(), text.size());
}

void tavScene_api_file::set_format_flags(int flags, int) {
    binary_arrays = (flags & 2) != 0;
}
