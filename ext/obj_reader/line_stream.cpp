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
        normalize();
        if (end_ || std::memchr(&buffer_[searched], '\n', scanned_ - searched)) break;
        searched = scanned_;
        end_ = !source_(buffer_);
    }
    // The last line ends like any other, so that it is read and looked at as the others are.
    if (end_ && !buffer_.empty() && buffer_.back() != '\n') buffer_ += '\n';
    const size_t size = end_ ? buffer_.size() : buffer_.rfind('\n', scanned_ - 1) + 1;
    counted_ = nullptr;
    char* begin = &buffer_[0];
    setg(begin, begin, begin + size);
    return size == 0 ? traits_type::eof() : traits_type::to_int_type(*begin);
}

// Line ends become \n or \r\n: a lone CR (old Mac files) is a line end. A line that ends in a
// backslash goes on on the next: the backslash and the line break become blanks, and the break
// is remembered so that the lines after it keep their numbers. A CR or backslash at the very
// end of the text read so far waits for the next chunk, which decides what it is.
void LineStream::normalize() {
    size_t limit = buffer_.size();
    if (!end_) {  // hold back a tail of \\ \r \n, or of \r or \\, but a plain line break
        size_t tail = limit;
        for (const char c : {'\n', '\r', '\\'}) {
            if (tail > scanned_ && buffer_[tail - 1] == c) --tail;
        }
        if (tail < limit && (buffer_[tail] == '\\' || buffer_[limit - 1] != '\n')) limit = tail;
    }
    char* text = &buffer_[0];
    for (char* cr = static_cast<char*>(std::memchr(text + scanned_, '\r', limit - scanned_)); cr;
         cr = static_cast<char*>(std::memchr(cr + 1, '\r', size_t(text + limit - cr - 1)))) {
        if (size_t(cr + 1 - text) == buffer_.size() || cr[1] != '\n') *cr = '\n';
    }
    for (size_t at = buffer_.find('\\', scanned_); at < limit; at = buffer_.find('\\', at + 1)) {
        size_t next = at + 1;
        if (next < buffer_.size() && buffer_[next] == '\r') ++next;
        if (end_ && next + 1 >= buffer_.size()) {
            // The text ends here: the line goes on into nothing, and keeps its line break.
            std::fill(buffer_.begin() + at, buffer_.begin() + next, ' ');
        } else if (buffer_[next] == '\n') {
            std::fill(buffer_.begin() + at, buffer_.begin() + next + 1, ' ');
            joined_.push_back(next);
        }
    }
    scanned_ = limit;
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
