// Reads the tokens of a scene file from a byte buffer. Every read checks the bounds of the
// buffer; nothing is allocated for binary data, which is handed out as a pointer into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scene_model.h"

namespace inspect {

enum class TokenKind {
    end,
    newline,
    open_brace,
    close_brace,
    open_bracket,
    close_bracket,
    comma,
    bang,
    string,    // "text"
    hex_name,  // xX and hexadecimal digits
    blob,      // bX and hexadecimal digits
    number,
    word,
    binary,  // the first byte of a binary block
    invalid,
};

// The first failure of a read: where, what was expected and what was found.
struct CursorError {
    bool at_end = false;  // the data ended before the token did
    std::size_t offset = 0;
    std::string message;
};

class Cursor {
  public:
    Cursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t offset() const { return pos_; }
    bool at_end() const { return pos_ >= size_; }
    // The data ends at the cursor or inside the token there: a cut-off file, not a bad one.
    bool cut_off() const { return word_end(pos_) >= size_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

    // Skips blanks and "//" comments, collecting the comments. With stop_at_newline it stops
    // before a line feed, which then shows as TokenKind::newline.
    void skip_blanks(bool stop_at_newline, std::vector<Comment>* comments);
    TokenKind peek() const;
    // What stands at the cursor, for messages: "'}'", "end of file", "word \"abc\""...
    std::string describe() const;
    void advance() { ++pos_; }
    // The bare word at the cursor without reading it; empty when there is none.
    std::string_view peek_word() const;

    // Each read expects the token that peek() reported and fails with an error otherwise.
    bool read_word(std::string& out);
    bool read_number(double& value, std::string& text);
    bool read_string(std::string& out);  // a quoted string or an xX name, decoded
    bool read_blob(std::string& out);
    bool read_binary_block(ArrayData& array);

    const CursorError& error() const { return error_; }

  private:
    std::size_t word_end(std::size_t from) const;
    std::size_t number_end(std::size_t from) const;
    bool starts_number(std::size_t at) const;
    bool read_hex(std::size_t digits_from, const char* what, std::string& out);
    bool fail(bool at_end, std::size_t offset, std::string message);

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    CursorError error_;
};

// Whether a byte may continue a bare word.
bool is_word_byte(std::uint8_t c);

}  // namespace inspect
