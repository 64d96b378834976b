// Copies into fixed character arrays: cut to the capacity and always terminated.
#pragma once

#include <cstddef>
#include <cstring>

template <std::size_t N>
void copy_text(char (&target)[N], const char* source) {
    std::size_t length = source ? std::strlen(source) : 0;
    if (length > N - 1) length = N - 1;
    if (length > 0) std::memcpy(target, source, length);
    target[length] = '\0';
}
