#include "scene_parser.h"

#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "scene_cursor.h"
#include "scene_text.h"

namespace inspect {

namespace {

constexpr std::string_view kMagicPrefix = "//---tavren:dal:";

bool is_block_keyword(std::string_view keyword) {
    const std::size_t blank = keyword.rfind(' ');
    const std::string_view base =
        blank == std::string_view::npos ? keyword : keyword.substr(blank + 1);
    static constexpr std::string_view kBlocks[] = {
        "group",  "object",    "geometry", "accel", "camera", "material", "options", "image",
        "output", "animation", "load",     "light", "frame",  "motion",   "shader",  "matrix"};
    for (std::string_view block : kBlocks) {
        if (base == block) return true;
    }
    return false;
}

bool starts_value(TokenKind kind) {
    switch (kind) {
        case TokenKind::number:
        case TokenKind::word:
        case TokenKind::string:
        case TokenKind::hex_name:
        case TokenKind::blob:
        case TokenKind::open_bracket:
        case TokenKind::bang:
            return true;
        default:
            return false;
    }
}

std::string describe_block(const Block& block) {
    std::string text = block.keyword.empty() ? "shader" : block.keyword;
    if (!block.head.empty()) text += " " + quoted(block.name());
    return text;
}

class Parser {
  public:
    Parser(const std::uint8_t* data, std::size_t size) : cursor_(data, size) {}

    ParseResult run() {
        result_.scene.size = cursor_.size();
        if (read_magic_line()) parse_body(result_.scene.root, 0, true);
        return std::move(result_);
    }

  private:
    bool read_magic_line() {
        const std::size_t size = cursor_.size();
        const char* text = reinterpret_cast<const char*>(cursor_.data());
        const std::size_t compared = size < kMagicPrefix.size() ? size : kMagicPrefix.size();
        if (std::memcmp(text, kMagicPrefix.data(), compared) != 0 || size == 0 ||
            compared < kMagicPrefix.size()) {
            const bool cut_short = std::memcmp(text, kMagicPrefix.data(), compared) == 0;
            return fail(cut_short ? ParseStatus::truncated : ParseStatus::malformed, 0,
                        std::string("expected the magic line \"") + kMagicLine +
                            "\" at the start of the file, found " +
                            (cut_short ? "end of file" : "something else"));
        }
        const std::string_view rest(text + kMagicPrefix.size(), size - kMagicPrefix.size());
        const std::size_t end = rest.find_first_of("-\n");
        result_.scene.format_version = std::string(rest.substr(0, end));
        return true;
    }

    bool fail(ParseStatus status, std::size_t offset, std::string message) {
        if (result_.status != ParseStatus::ok) return false;
        result_.status = status;
        result_.error_offset = offset;
        result_.message = std::move(message);
        if (status == ParseStatus::truncated && !open_.empty()) {
            result_.message += "; " + std::to_string(open_.size()) +
                               (open_.size() == 1 ? " block" : " blocks") + " still open:";
            for (const Block* block : open_) {
                result_.message += " " + describe_block(*block) + " at offset " +
                                   std::to_string(block->offset) +
                                   (block == open_.back() ? "" : ",");
            }
        }
        return false;
    }

    // "expected <what>, found <token at the cursor>"; truncated when the data has ended.
    bool expected(const std::string& what) {
        return fail(cursor_.cut_off() ? ParseStatus::truncated : ParseStatus::malformed,
                    cursor_.offset(), "expected " + what + ", found " + cursor_.describe());
    }

    bool cursor_failed() {
        const CursorError& error = cursor_.error();
        return fail(error.at_end ? ParseStatus::truncated : ParseStatus::malformed, error.offset,
                    error.message);
    }

    void skip(bool stop_at_newline) { cursor_.skip_blanks(stop_at_newline, &sink_->comments); }

    bool enter(int depth, std::size_t offset) {
        if (depth < kMaxNesting) return true;
        return fail(ParseStatus::malformed, offset,
                    "expected at most " + std::to_string(kMaxNesting) +
                        " levels of nested blocks, found more");
    }

    // Entries until the closing '}' (consumed) or, at the top level, the end of the data.
    bool parse_body(Block& block, int depth, bool top) {
        Block* const outer_sink = sink_;
        sink_ = &block;
        if (!top) open_.push_back(&block);
        bool ok = true;
        while (ok) {
            skip(false);
            const TokenKind kind = cursor_.peek();
            if (kind == TokenKind::end && top) break;
            if (kind == TokenKind::close_brace) {
                if (top) {
                    ok = fail(ParseStatus::malformed, cursor_.offset(),
                              "expected a keyword or a quoted parameter name, found '}' with no "
                              "block open");
                    break;
                }
                block.end_offset = cursor_.offset();
                cursor_.advance();
                break;
            }
            if (kind == TokenKind::string || kind == TokenKind::hex_name) {
                ok = parse_list_param(block, depth);
            } else if (kind == TokenKind::word) {
                ok = parse_statement(block, depth);
            } else {
                ok = expected(top ? "a keyword or a quoted parameter name"
                                  : "a keyword, a quoted parameter name or '}' closing " +
                                        describe_block(block));
            }
        }
        if (!top && ok) open_.pop_back();
        sink_ = outer_sink;
        return ok;
    }

    // "name" values... ,
    bool parse_list_param(Block& block, int depth) {
        Param param;
        param.offset = cursor_.offset();
        if (!cursor_.read_string(param.name)) return cursor_failed();
        for (;;) {
            skip(false);
            const TokenKind kind = cursor_.peek();
            if (kind == TokenKind::comma) {
                cursor_.advance();
                break;
            }
            if (!starts_value(kind)) {
                return expected("a value or ',' ending the parameter " + quoted(param.name));
            }
            Value value;
            if (!parse_value(value, depth, true, false)) return false;
            param.values.push_back(std::move(value));
        }
        block.params.push_back(std::move(param));
        return true;
    }

    // A keyword line (words, values, end of line) or a block (keyword, names, '{' ... '}').
    bool parse_statement(Block& block, int depth) {
        const std::size_t start = cursor_.offset();
        std::string keyword;
        if (!cursor_.read_word(keyword)) return cursor_failed();
        if (keyword == "#define" || keyword == "#modify") {
            skip(false);  // "#modify" ends its line when a camera follows
            std::string word;
            if (cursor_.peek() != TokenKind::word) return expected("a keyword after " + keyword);
            if (!cursor_.read_word(word)) return cursor_failed();
            keyword += " " + word;
        }
        for (;;) {
            skip(true);
            if (cursor_.peek() != TokenKind::word) break;
            const std::string_view next = cursor_.peek_word();
            if (next == "on" || next == "off") break;  // a switch value, not part of the name
            std::string word;
            if (!cursor_.read_word(word)) return cursor_failed();
            keyword += " " + word;
        }
        const bool block_keyword = is_block_keyword(keyword);
        std::vector<Value> values;
        for (;;) {
            skip(true);
            const TokenKind kind = cursor_.peek();
            if (kind == TokenKind::newline || kind == TokenKind::close_brace) break;
            // Every statement the writer makes ends its line; one without is cut off.
            if (kind == TokenKind::end) return expected("the end of the line");
            if (kind == TokenKind::open_brace && block_keyword) {
                return parse_block(block, std::move(keyword), std::move(values), start, depth);
            }
            if (!starts_value(kind)) return expected("a value or the end of the line");
            Value value;
            if (!parse_value(value, depth, !block_keyword, true)) return false;
            values.push_back(std::move(value));
        }
        Param param;
        param.name = std::move(keyword);
        param.keyword_form = true;
        param.offset = start;
        param.values = std::move(values);
        block.params.push_back(std::move(param));
        return true;
    }

    bool parse_block(Block& outer, std::string keyword, std::vector<Value> head, std::size_t start,
                     int depth) {
        if (!enter(depth + 1, cursor_.offset())) return false;
        auto block = std::make_unique<Block>();
        block->keyword = std::move(keyword);
        block->head = std::move(head);
        block->offset = start;
        cursor_.advance();  // '{'
        Block& inner = *block;
        outer.blocks.push_back(std::move(block));
        return parse_body(inner, depth + 1, false);
    }

    // One value. A string followed by '{' starts an anonymous shader when shaders are allowed;
    // on_one_line keeps the look-ahead for that '{' on the current line.
    bool parse_value(Value& value, int depth, bool allow_shader, bool on_one_line) {
        value.offset = cursor_.offset();
        switch (cursor_.peek()) {
            case TokenKind::number:
                value.kind = Value::Kind::number;
                return cursor_.read_number(value.number, value.text) || cursor_failed();
            case TokenKind::word:
                value.kind = Value::Kind::word;
                return cursor_.read_word(value.text) || cursor_failed();
            case TokenKind::blob:
                value.kind = Value::Kind::blob;
                return cursor_.read_blob(value.text) || cursor_failed();
            case TokenKind::open_bracket:
                return parse_array(value, depth);
            case TokenKind::bang:
                return parse_link(value, depth);
            default:
                break;
        }
        value.kind = Value::Kind::string;
        value.hex = cursor_.peek() == TokenKind::hex_name;
        if (!cursor_.read_string(value.text)) return cursor_failed();
        if (!allow_shader) return true;
        skip(on_one_line);
        if (cursor_.peek() != TokenKind::open_brace) return true;
        return parse_shader(value, depth);
    }

    // At the '{' after a shader's type, already read into value.
    bool parse_shader(Value& value, int depth) {
        if (!enter(depth + 1, cursor_.offset())) return false;
        auto shader = std::make_unique<Block>();
        shader->offset = value.offset;
        Value type;
        type.kind = Value::Kind::string;
        type.offset = value.offset;
        type.hex = value.hex;
        type.text = std::move(value.text);
        shader->head.push_back(std::move(type));
        value.kind = Value::Kind::shader;
        value.text.clear();
        cursor_.advance();  // '{'
        Block& inner = *shader;
        value.shader = std::move(shader);
        return parse_body(inner, depth + 1, false);
    }

    // ! "type" { ... }: a parameter bound to an anonymous shader.
    bool parse_link(Value& value, int depth) {
        cursor_.advance();  // '!'
        skip(false);
        const TokenKind kind = cursor_.peek();
        if (kind != TokenKind::string && kind != TokenKind::hex_name) {
            return expected("the quoted type of a linked shader after '!'");
        }
        value.offset = cursor_.offset();
        value.hex = kind == TokenKind::hex_name;
        if (!cursor_.read_string(value.text)) return cursor_failed();
        skip(false);
        if (cursor_.peek() != TokenKind::open_brace) {
            return expected("'{' opening the linked shader " + quoted(value.text));
        }
        value.link = true;
        return parse_shader(value, depth);
    }

    // [ elements ] with text elements separated by commas, or one binary block.
    bool parse_array(Value& value, int depth) {
        if (!enter(depth + 1, cursor_.offset())) return false;
        value.kind = Value::Kind::array;
        value.array = std::make_unique<ArrayData>();
        ArrayData& array = *value.array;
        array.offset = cursor_.offset();
        cursor_.advance();  // '['
        bool in_element = false;
        for (;;) {
            skip(false);
            const TokenKind kind = cursor_.peek();
            if (kind == TokenKind::close_bracket) {
                cursor_.advance();
                return true;
            }
            if (array.is_binary()) {
                return expected("']' after the binary block at offset " +
                                std::to_string(array.block_offset) + " of " +
                                std::to_string(array.item_count) + " items");
            }
            if (kind == TokenKind::comma) {
                cursor_.advance();
                in_element = false;
                continue;
            }
            if (kind == TokenKind::binary) {
                if (!cursor_.read_binary_block(array)) return cursor_failed();
                continue;
            }
            if (kind == TokenKind::number) {
                double number;
                std::string text;
                if (!cursor_.read_number(number, text)) return cursor_failed();
                array.numbers.push_back(number);
            } else if (kind == TokenKind::string || kind == TokenKind::hex_name) {
                std::string text;
                if (!cursor_.read_string(text)) return cursor_failed();
                array.strings.push_back(std::move(text));
            } else {
                return expected(
                    "a number, a string, a binary block or ']' in the array opened at "
                    "offset " +
                    std::to_string(array.offset));
            }
            if (!in_element) ++array.text_elements;
            in_element = true;
        }
    }

    Cursor cursor_;
    ParseResult result_;
    Block* sink_ = nullptr;           // the block whose comments are being collected
    std::vector<const Block*> open_;  // blocks opened and not yet closed, outermost first
};

}  // namespace

ParseResult parse_scene(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kNoData = 0;
    return Parser(data ? data : &kNoData, data ? size : 0).run();
}

}  // namespace inspect
