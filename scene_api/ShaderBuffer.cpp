#include "ShaderBuffer.h"

#include <climits>
#include <cstring>
#include <stdexcept>

void ShaderBuffer::append(const char* bytes, int n) {
    if (n < 0) return;
    if (n == 0) {
        const std::size_t text_length = std::strlen(bytes);
        if (text_length > static_cast<std::size_t>(INT_MAX)) {
            throw std::length_error("shader text too long");
        }
        n = static_cast<int>(text_length);
    } else {
        binary_ = true;
    }
    if (static_cast<long long>(capacity_) <= static_cast<long long>(length_) + n + 1) grow(n);
    std::memcpy(text_.get() + length_, bytes, static_cast<std::size_t>(n));
    length_ += n;
    text_[length_] = '\0';
}

// Geometric growth keeps repeated appends cheap: n + 2 x capacity + 512, plus room for the
// terminator.
void ShaderBuffer::grow(int n) {
    const long long wanted = static_cast<long long>(n) + 2LL * capacity_ + 512;
    if (wanted + 2 > INT_MAX) throw std::length_error("shader text too long");
    std::unique_ptr<char[]> block(new char[static_cast<std::size_t>(wanted + 2)]);
    if (text_) {
        std::memcpy(block.get(), text_.get(), static_cast<std::size_t>(length_) + 1);
    } else {
        block[0] = '\0';
    }
    text_ = std::move(block);
    capacity_ = static_cast<int>(wanted);
}
