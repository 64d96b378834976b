#include "scene_cursor.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace inspect {

namespace {

constexpr std::size_t kNoNumber = static_cast<std::size_t>(-1);

bool is_digit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

int hex_value(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_word_start(std::uint8_t c) {
    return is_word_byte(c) && !is_digit(c) && c != '+' && c != '-' && c != '.';
}

std::string byte_text(std::uint8_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%02x", c);
    return text;
}

// A short printable excerpt of a token for messages.
std::string excerpt(const std::uint8_t* from, std::size_t length) {
    constexpr std::size_t kLimit = 32;
    std::string text(reinterpret_cast<const char*>(from), length < kLimit ? length : kLimit);
    if (length > kLimit) text += "...";
    return text;
}

}  // namespace

bool is_word_byte(std::uint8_t c) {
    if (c <= ' ' || c == 0x7f) return false;
    return std::strchr("\"{}[],!", c) == nullptr;
}

bool Cursor::fail(bool at_end, std::size_t offset, std::string message) {
    if (error_.message.empty()) error_ = CursorError{at_end, offset, std::move(message)};
    return false;
}

void Cursor::skip_blanks(bool stop_at_newline, std::vector<Comment>* comments) {
    while (pos_ < size_) {
        const std::uint8_t c = data_[pos_];
        if (c == '\n') {
            if (stop_at_newline) return;
            ++pos_;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++pos_;
        } else if (c == '/' && pos_ + 1 < size_ && data_[pos_ + 1] == '/') {
            const void* newline = std::memchr(data_ + pos_, '\n', size_ - pos_);
            const std::size_t end =
                newline ? static_cast<const std::uint8_t*>(newline) - data_ : size_;
            std::size_t text_end = end;
            if (text_end > pos_ + 2 && data_[text_end - 1] == '\r') --text_end;
            if (comments) {
                comments->push_back(
                    {pos_, std::string(reinterpret_cast<const char*>(data_ + pos_ + 2),
                                       text_end - pos_ - 2)});
            }
            pos_ = end;
        } else {
            return;
        }
    }
}

std::size_t Cursor::word_end(std::size_t from) const {
    while (from < size_ && is_word_byte(data_[from])) ++from;
    return from;
}

// The end of a number as printf writes it ("%g", "%d", "%f"): digits with an optional sign,
// fraction and exponent; inf, infinity and nan in any case; the runtime forms 1.#INF, -1.#IND
// and 1.#QNAN. kNoNumber when the text is not one of these or runs into a word.
std::size_t Cursor::number_end(std::size_t from) const {
    std::size_t p = from;
    if (p < size_ && (data_[p] == '+' || data_[p] == '-')) ++p;
    auto matches = [&](const char* word) {
        const std::size_t n = std::strlen(word);
        if (size_ - p < n) return false;
        for (std::size_t i = 0; i < n; ++i) {
            if ((data_[p + i] | 0x20) != word[i]) return false;
        }
        return true;
    };
    if (matches("infinity")) {
        p += 8;
    } else if (matches("inf")) {
        p += 3;
    } else if (matches("nan")) {
        p += 3;
        if (p < size_ && data_[p] == '(') {
            std::size_t q = p + 1;
            while (q < size_ && q - p < 64 && (std::isalnum(data_[q]) || data_[q] == '_')) ++q;
            if (q >= size_ || data_[q] != ')') return kNoNumber;
            p = q + 1;
        }
    } else {
        std::size_t digits = 0;
        while (p < size_ && is_digit(data_[p])) ++p, ++digits;
        if (p < size_ && data_[p] == '.') {
            ++p;
            while (p < size_ && is_digit(data_[p])) ++p, ++digits;
        }
        if (digits == 0) return kNoNumber;
        if (p < size_ && (data_[p] == 'e' || data_[p] == 'E')) {
            std::size_t q = p + 1;
            if (q < size_ && (data_[q] == '+' || data_[q] == '-')) ++q;
            if (q < size_ && is_digit(data_[q])) {
                while (q < size_ && is_digit(data_[q])) ++q;
                p = q;
            }
        } else if (p < size_ && data_[p] == '#') {
            ++p;
            while (p < size_ && data_[p] >= 'A' && data_[p] <= 'Z') ++p;
            while (p < size_ && is_digit(data_[p])) ++p;
        }
    }
    if (p < size_ && is_word_byte(data_[p])) return kNoNumber;
    return p;
}

bool Cursor::starts_number(std::size_t at) const {
    std::size_t p = at;
    if (data_[p] == '+' || data_[p] == '-') ++p;
    if (p < size_ && is_digit(data_[p])) return true;
    if (p + 1 < size_ && data_[p] == '.' && is_digit(data_[p + 1])) return true;
    const std::uint8_t c = p < size_ ? (data_[p] | 0x20) : 0;
    return (c == 'i' || c == 'n') && number_end(at) != kNoNumber;
}

TokenKind Cursor::peek() const {
    if (pos_ >= size_) return TokenKind::end;
    const std::uint8_t c = data_[pos_];
    switch (c) {
        case '\n':
            return TokenKind::newline;
        case '{':
            return TokenKind::open_brace;
        case '}':
            return TokenKind::close_brace;
        case '[':
            return TokenKind::open_bracket;
        case ']':
            return TokenKind::close_bracket;
        case ',':
            return TokenKind::comma;
        case '!':
            return TokenKind::bang;
        case '"':
            return TokenKind::string;
        case 0x01:
            return TokenKind::binary;
        default:
            break;
    }
    const bool capital_x_next = pos_ + 1 < size_ && data_[pos_ + 1] == 'X';
    if (c == 'x' && capital_x_next) return TokenKind::hex_name;
    if (c == 'b' && capital_x_next) return TokenKind::blob;
    if (starts_number(pos_)) return TokenKind::number;
    if (is_word_start(c)) return TokenKind::word;
    return TokenKind::invalid;
}

std::string Cursor::describe() const {
    switch (peek()) {
        case TokenKind::end:
            return "end of file";
        case TokenKind::newline:
            return "end of line";
        case TokenKind::open_brace:
            return "'{'";
        case TokenKind::close_brace:
            return "'}'";
        case TokenKind::open_bracket:
            return "'['";
        case TokenKind::close_bracket:
            return "']'";
        case TokenKind::comma:
            return "','";
        case TokenKind::bang:
            return "'!'";
        case TokenKind::string:
            return "a string";
        case TokenKind::hex_name:
            return "an xX name";
        case TokenKind::blob:
            return "a bX blob";
        case TokenKind::binary:
            return "a binary block";
        case TokenKind::number: {
            const std::size_t end = number_end(pos_);
            if (end == kNoNumber) {
                return "malformed number \"" + excerpt(data_ + pos_, word_end(pos_) - pos_) + "\"";
            }
            return "number " + excerpt(data_ + pos_, end - pos_);
        }
        case TokenKind::word:
            return "word \"" + excerpt(data_ + pos_, word_end(pos_) - pos_) + "\"";
        case TokenKind::invalid:
            break;
    }
    return byte_text(data_[pos_]);
}

std::string_view Cursor::peek_word() const {
    if (peek() != TokenKind::word) return {};
    return {reinterpret_cast<const char*>(data_ + pos_), word_end(pos_) - pos_};
}

bool Cursor::read_word(std::string& out) {
    if (peek() != TokenKind::word) {
        return fail(cut_off(), pos_, "expected a word, found " + describe());
    }
    const std::size_t end = word_end(pos_);
    out.assign(reinterpret_cast<const char*>(data_ + pos_), end - pos_);
    pos_ = end;
    return true;
}

bool Cursor::read_number(double& value, std::string& text) {
    const std::size_t end = peek() == TokenKind::number ? number_end(pos_) : kNoNumber;
    if (end == kNoNumber) return fail(cut_off(), pos_, "expected a number, found " + describe());
    const char* first = reinterpret_cast<const char*>(data_ + pos_);
    const char* last = reinterpret_cast<const char*>(data_ + end);
    text.assign(first, last);
    const std::size_t hash = text.find('#');
    if (hash != std::string::npos) {
        const bool infinite = text.compare(hash + 1, 3, "INF") == 0;
        const double magnitude = infinite ? std::numeric_limits<double>::infinity()
                                          : std::numeric_limits<double>::quiet_NaN();
        value = text[0] == '-' ? -magnitude : magnitude;
    } else {
        if (*first == '+') ++first;
        const auto result = std::from_chars(first, last, value);
        if (result.ec != std::errc() || result.ptr != last) {
            value = std::strtod(std::string(first, last).c_str(), nullptr);
        }
    }
    pos_ = end;
    return true;
}

bool Cursor::read_hex(std::size_t digits_from, const char* what, std::string& out) {
    std::size_t p = digits_from;
    while (p < size_ && hex_value(data_[p]) >= 0) ++p;
    if (p < size_ && is_word_byte(data_[p])) {
        return fail(false, p,
                    std::string("expected hexadecimal digits after ") + what + ", found " +
                        (data_[p] < 0x80 ? "'" + std::string(1, char(data_[p])) + "'"
                                         : byte_text(data_[p])));
    }
    const std::size_t digits = p - digits_from;
    if (digits % 2 != 0) {
        return fail(p >= size_, p,
                    std::string("expected an even number of hexadecimal digits after ") + what +
                        ", found " + std::to_string(digits));
    }
    out.resize(digits / 2);
    for (std::size_t i = 0; i < digits / 2; ++i) {
        out[i] = static_cast<char>(hex_value(data_[digits_from + 2 * i]) * 16 +
                                   hex_value(data_[digits_from + 2 * i + 1]));
    }
    pos_ = p;
    return true;
}

bool Cursor::read_string(std::string& out) {
    const TokenKind kind = peek();
    if (kind == TokenKind::hex_name) return read_hex(pos_ + 2, "xX", out);
    if (kind != TokenKind::string) {
        return fail(cut_off(), pos_, "expected a string, found " + describe());
    }
    const std::size_t start = pos_;
    std::size_t p = start + 1;
    while (p < size_ && data_[p] != '"' && data_[p] != '\n' && data_[p] != '\r') ++p;
    if (p >= size_ || data_[p] != '"') {
        return fail(p >= size_, p,
                    "expected '\"' closing the string begun at offset " + std::to_string(start) +
                        ", found " + (p >= size_ ? "end of file" : "end of line"));
    }
    out.assign(reinterpret_cast<const char*>(data_ + start + 1), p - start - 1);
    pos_ = p + 1;
    return true;
}

bool Cursor::read_blob(std::string& out) {
    if (peek() != TokenKind::blob) {
        return fail(cut_off(), pos_, "expected a bX blob, found " + describe());
    }
    return read_hex(pos_ + 2, "bX", out);
}

// A binary block: the bytes 01 02 03, a tag, a little-endian count N, then N 4-byte items.
bool Cursor::read_binary_block(ArrayData& array) {
    const std::size_t start = pos_;
    constexpr std::size_t kHeader = 8;
    if (size_ - start < kHeader) {
        return fail(true, start,
                    "expected an 8-byte binary block header, found end of file after " +
                        std::to_string(size_ - start) + " bytes");
    }
    const std::uint8_t* header = data_ + start;
    if (header[0] != 1 || header[1] != 2 || header[2] != 3) {
        char found[64];
        std::snprintf(found, sizeof found, "%02x %02x %02x", header[0], header[1], header[2]);
        return fail(false, start,
                    std::string("expected the binary block marker 01 02 03, found ") + found);
    }
    const char tag = static_cast<char>(header[3]);
    if (tag != 'c' && tag != 'f' && tag != 'i') {
        return fail(false, start + 3,
                    "expected a binary block tag 'c', 'f' or 'i', found " + byte_text(header[3]));
    }
    const std::int32_t count =
        static_cast<std::int32_t>(std::uint32_t(header[4]) | std::uint32_t(header[5]) << 8 |
                                  std::uint32_t(header[6]) << 16 | std::uint32_t(header[7]) << 24);
    if (count < 0) {
        return fail(
            false, start + 4,
            "expected a binary block item count of 0 or more, found " + std::to_string(count));
    }
    const std::uint64_t needed = std::uint64_t(count) * 4;
    const std::size_t remaining = size_ - start - kHeader;
    if (needed > remaining) {
        return fail(true, start + kHeader,
                    "expected " + std::to_string(count) + " items (" + std::to_string(needed) +
                        " bytes) in the binary block, found end of file after " +
                        std::to_string(remaining) + " bytes");
    }
    array.tag = tag;
    array.block_offset = start;
    array.items = header + kHeader;
    array.item_count = static_cast<std::size_t>(count);
    pos_ = start + kHeader + static_cast<std::size_t>(needed);
    return true;
}

}  // namespace inspect
