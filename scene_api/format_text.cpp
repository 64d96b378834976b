#include "format_text.h"

#include <cstdio>

std::size_t vformat_into(std::string& buffer, const char* format, va_list args) {
    // First pass into the room the buffer already has; a second pass only when it was short.
    if (buffer.capacity() < 256) buffer.reserve(256);
    buffer.resize(buffer.capacity());
    va_list retry;
    va_copy(retry, args);
    int length = std::vsnprintf(&buffer[0], buffer.size() + 1, format, args);
    if (length < 0) {
        va_end(retry);
        buffer.clear();
        return 0;
    }
    if (static_cast<std::size_t>(length) > buffer.size()) {
        buffer.resize(static_cast<std::size_t>(length));
        std::vsnprintf(&buffer[0], buffer.size() + 1, format, retry);
    }
    va_end(retry);
    buffer.resize(static_cast<std::size_t>(length));
    return buffer.size();
}
