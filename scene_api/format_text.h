// printf-style formatting into a reusable buffer, for output of any length.
#pragma once

#include <cstdarg>
#include <string>

// Formats into buffer (whose size becomes the text's length) and returns the length.
std::size_t vformat_into(std::string& buffer, const char* format, va_list args);
