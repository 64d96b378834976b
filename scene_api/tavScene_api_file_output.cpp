// Output primitives: indentation, raw text, bytes, names and hexadecimal blocks. Each write
// goes to the capturing shader's buffer or to the stream; every text write flushes the stream
// so the file is complete up to its last statement.
#include <cstdarg>
#include <cstring>

#include "format_text.h"
#include "tavScene_api_file.h"

namespace {

const char hex_digits[] = "0123456789abcdef";

// A plain string can be written in double quotes; any other needs the hexadecimal form.
bool is_plain(const char* s) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        if (*p == '"' || *p == '\r' || *p == '\n' || *p >= 128) return false;
    }
    return true;
}

// prefix followed by two lowercase hexadecimal digits per byte, high nibble first.
void hex_form(std::string& out, const char* prefix, const unsigned char* bytes, std::size_t n) {
    out.assign(prefix);
    out.resize(2 + 2 * n);
    char* digit = &out[2];
    for (std::size_t i = 0; i < n; ++i) {
        *digit++ = hex_digits[bytes[i] >> 4];
        *digit++ = hex_digits[bytes[i] & 15];
    }
}

}  // namespace

void tavScene_api_file::flush() {
    if (stream && std::fflush(stream) != 0) note_failure();
}

void tavScene_api_file::emit(const char* text, std::size_t length) {
    if (capturing) {
        // Text appends stop at a zero byte, as the buffer stores zero-terminated text.
        if (active_shader) active_shader->append(text, 0);
    } else if (length > 0 && std::fwrite(text, 1, length, stream) != length) {
        note_failure();
    }
}

void tavScene_api_file::write_indented(const char* format, ...) {
    if (!stream) return;
    va_list args;
    va_start(args, format);
    vformat_into(format_buffer, format, args);
    va_end(args);
    emit_indented(format_buffer.data(), format_buffer.size());
}

void tavScene_api_file::emit_indented(const char* text, std::size_t length) {
    if (!stream) return;
    const std::size_t margin = indent > 0 ? static_cast<std::size_t>(indent) : 0;
    indented_buffer.assign(margin, ' ');
    const char* end = text + length;
    for (const char* line = text; line < end;) {
        const void* feed = std::memchr(line, '\n', static_cast<std::size_t>(end - line));
        const char* next = feed ? static_cast<const char*>(feed) + 1 : end;
        indented_buffer.append(line, static_cast<std::size_t>(next - line));
        line = next;
        // A line feed that ends the text is not followed by indentation.
        if (line < end) indented_buffer.append(margin, ' ');
    }
    emit(indented_buffer.data(), indented_buffer.size());
    flush();
}

void tavScene_api_file::write_raw(const char* format, ...) {
    if (!stream) return;
    va_list args;
    va_start(args, format);
    if (capturing) {
        vformat_into(format_buffer, format, args);
        emit(format_buffer.data(), format_buffer.size());
    } else if (std::vfprintf(stream, format, args) < 0) {
        note_failure();
    }
    va_end(args);
    flush();
}

void tavScene_api_file::write_bytes(const char* bytes, std::size_t n) {
    if (!stream || n == 0) return;
    if (capturing) {
        if (!active_shader) return;
        // A buffer counts its length in an int; larger captures are split into pieces.
        while (n > 0) {
            const std::size_t piece = n > (1u << 30) ? (1u << 30) : n;
            active_shader->append(bytes, static_cast<int>(piece));
            bytes += piece;
            n -= piece;
        }
    } else if (std::fwrite(bytes, 1, n, stream) != n) {
        note_failure();
    }
}

void tavScene_api_file::write_string(const char* s) {
    if (!s) s = "";
    if (is_plain(s)) {
        write_indented("\"%s\"", s);
        return;
    }
    hex_form(bytes_buffer, "xX", reinterpret_cast<const unsigned char*>(s), std::strlen(s));
    write_bytes(bytes_buffer.data(), bytes_buffer.size());
}

void tavScene_api_file::write_name(const char* s) {
    const int saved = indent;
    indent = 0;
    write_string(s);
    indent = saved;
}

void tavScene_api_file::write_hex_blob(const unsigned char* bytes, int n) {
    if (!bytes || n < 0) n = 0;
    hex_form(bytes_buffer, "bX", bytes, static_cast<std::size_t>(n));
    write_bytes(bytes_buffer.data(), bytes_buffer.size());
}

void tavScene_api_file::write_shader(const ShaderBuffer* shader) {
    if (!shader) return;
    if (shader->binary()) {
        // Copied byte for byte: binary arrays inside must not be re-indented.
        write_bytes(shader->text(), static_cast<std::size_t>(shader->length()));
    } else {
        emit_indented(shader->text(), std::strlen(shader->text()));
    }
}
