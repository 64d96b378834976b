#include "line_stream.h"

#include <algorithm>
#include <cstring>

namespace vistrel_obj {

LineStream::int_type LineStream::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    const size_t used = static_cast<size_t>(egptr() - eback());
    lines_before_ += std::count(eback(), egptr(), '\n');
    const auto kept = std::lower_bound(joined_.begin(), joined_.end(), used);
    lines_before_ += kept - joined_.begin();
    joined_.erase(joined_.begin(), kept);
    for (size_t& at : joined_) at -= used;
    scanned_ -= used;
    buffer_.erase(0, used);
    // Read on until the text holds a line break, so that the buffer ends at one.
    size_t searched = 0;
    for (;;) {
        join_continued_lines();
        if (end_ || buffer_.find('\n', searched) != std::string::npos) break;
        searched = buffer_.size();
        end_ = !source_(buffer_);
    }
    const size_t size = end_ ? buffer_.size() : buffer_.rfind('\n') + 1;
    counted_ = nullptr;
    char* begin = &buffer_[0];
    setg(begin, begin, begin + size);
    return size == 0 ? traits_type::eof() : traits_type::to_int_type(*begin);
}

// A line that ends in a backslash goes on on the next: the backslash and the line break become
// blanks, and the break is remembered so that the lines after it keep their numbers. A backslash
// at the very end of the text read so far waits for the next chunk.
void LineStream::join_continued_lines() {
    for (size_t at = buffer_.find('\\', scanned_); at != std::string::npos;
         at = buffer_.find('\\', at + 1)) {
        size_t next = at + 1;
        if (next < buffer_.size() && buffer_[next] == '\r') ++next;
        if (next == buffer_.size() && !end_) {
            scanned_ = at;
            return;
        }
        if (next < buffer_.size() && buffer_[next] == '\n') {
            std::fill(buffer_.begin() + at, buffer_.begin() + next + 1, ' ');
            joined_.push_back(next);
        }
    }
    scanned_ = buffer_.size();
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
    const size_t offset = static_cast<size_t>(end - eback());
    return lines_before_ + counted_lines_ +
           (std::lower_bound(joined_.begin(), joined_.end(), offset) - joined_.begin()) + 1;
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
