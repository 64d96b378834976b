// A stream buffer over text that arrives in chunks, with every buffer ending at a line end, so
// that the line being read can be numbered and looked at again while it is parsed. Lines that
// end in a backslash are joined to the next; a lone CR ends a line, and so does the end of the
// text.
#pragma once

#include <cstdint>
#include <functional>
#include <streambuf>
#include <string>
#include <vector>

namespace vistrel_obj {

class LineStream : public std::streambuf {
  public:
    // source appends the next chunk to its argument and returns false at the end of the text.
    explicit LineStream(std::function<bool(std::string&)> source) : source_(std::move(source)) {}

    // Number (from 1) and text of the line that was read last.
    int64_t line_number() const;
    std::string last_line() const;
    // The same text in place, valid until the stream reads on.
    void last_line(const char** begin, const char** end) const;

  protected:
    int_type underflow() override;

  private:
    // End of the line read last: the position before its line break.
    const char* last_line_end() const;
    void normalize();

    std::function<bool(std::string&)> source_;
    std::string buffer_;
    int64_t lines_before_ = 0;  // line breaks in the buffers already read
    // Line breaks counted so far in this buffer, and up to where: each byte is counted once.
    mutable const char* counted_ = nullptr;
    mutable int64_t counted_lines_ = 0;
    bool end_ = false;
    std::vector<size_t> joined_;  // offsets in the buffer of line breaks joined away
    size_t scanned_ = 0;          // the buffer is normalized up to here
};

}  // namespace vistrel_obj
