#include "line_stream.h"

#include <algorithm>
#include <cstring>

namespace vistrel_obj {

LineStream::int_type LineStream::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    const size_t used = static_cast<size_t>(egptr() - eback());
    lines_before_ += std::count(eback(), egptr(), '\n');
    buffer_.erase(0, used);
    // Read on until the new text holds a line break, so that the buffer ends at one.
    size_t searched = 0;
    while (!end_ && buffer_.find('\n', searched) == std::string::npos) {
        searched = buffer_.size();
        end_ = !source_(buffer_);
    }
    const size_t size = end_ ? buffer_.size() : buffer_.rfind('\n') + 1;
    counted_ = nullptr;
    char* begin = &buffer_[0];
    setg(begin, begin, begin + size);
    return size == 0 ? traits_type::eof() : traits_type::to_int_type(*begin);
}

const char* LineStream::last_line_end() const {
    const char* end = gptr();
    if (end > eback() && end[-1] == '\n') --end;
    if (end > eback() && end[-1] == '\r') --end;
    return end;
}

int64_t LineStream::line_number() const {
    if (!counted_) {
        counted_ = eback();
        counted_lines_ = 0;
    }
    const char* end = last_line_end();
    if (end > counted_) {
        counted_lines_ += std::count(counted_, end, '\n');
        counted_ = end;
    }
    return lines_before_ + counted_lines_ + 1;
}

void LineStream::last_line(const char** begin, const char** end) const {
    *end = last_line_end();
    *begin = *end;
    while (*begin > eback() && (*begin)[-1] != '\n') --*begin;
}

std::string LineStream::last_line() const {
    const char *begin, *end;
    last_line(&begin, &end);
    return std::string(begin, end);
}

}  // namespace vistrel_obj
