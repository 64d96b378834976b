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

// Reads without recursion: every block, shader and array open at the moment has a frame on an
// explicit stack, so that no nesting depth can exhaust the call stack.
class Parser {
  public:
    Parser(const std::uint8_t* data, std::size_t size) : cursor_(data, size) {}

    ParseResult run() {
        result_.scene.size = cursor_.size();
        if (read_magic_line() && parse(result_.scene.root)) require_content();
        return std::move(result_);
    }

  private:
    // A line a nested shader interrupted: reading it goes on once the shader has closed.
    enum class Pending { none, list_param, statement };

    struct Frame {
        explicit Frame(Block* open) : block(open) {}
        Block* block;
        Pending pending = Pending::none;
        Param line;  // the interrupted line: its name (or keyword) and the values read so far
        bool block_keyword = false;
    };

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

    // Every export writes its top group right after the header: a file that ends before
    // anything follows the header was cut off there.
    void require_content() {
        const Block& root = result_.scene.root;
        if (root.blocks.empty() && root.params.empty()) {
            fail(ParseStatus::truncated, cursor_.offset(),
                 "expected the top group after the header, found end of file");
        }
    }

    bool fail(ParseStatus status, std::size_t offset, std::string message) {
        if (result_.status != ParseStatus::ok) return false;
        result_.status = status;
        result_.error_offset = offset;
        result_.message = std::move(message);
        const std::size_t open = frames_.empty() ? 0 : frames_.size() - 1;
        if (status == ParseStatus::truncated && open > 0) {
            result_.message +=
                "; " + std::to_string(open) + (open == 1 ? " block" : " blocks") + " still open:";
            // Of a deep nesting, the outermost and innermost blocks are named.
            constexpr std::size_t kNamed = 4;
            for (std::size_t i = 1; i < frames_.size(); ++i) {
                if (i == kNamed + 1 && open > 2 * kNamed) {
                    result_.message += " (" + std::to_string(open - 2 * kNamed) + " more),";
                    i = frames_.size() - kNamed;
                }
                result_.message += " " + describe_block(*frames_[i].block) + " at offset " +
                                   std::to_string(frames_[i].block->offset) +
                                   (i + 1 == frames_.size() ? "" : ",");
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

    // Comments go to the innermost open block.
    void skip(bool stop_at_newline) {
        cursor_.skip_blanks(stop_at_newline, &frames_.back().block->comments);
    }

    bool parse(Block& root) {
        frames_.emplace_back(&root);
        bool ok = true;
        while (ok && !frames_.empty()) {
            switch (frames_.back().pending) {
                case Pending::none:
                    ok = next_entry();
                    break;
                case Pending::list_param:
                    ok = continue_list_param();
                    break;
                case Pending::statement:
                    ok = continue_statement();
                    break;
            }
        }
        return ok;
    }

    // The next entry of the innermost block, or its closing '}' (at the top level the end of
    // the data).
    bool next_entry() {
        const bool top = frames_.size() == 1;
        Block& block = *frames_.back().block;
        skip(false);
        const TokenKind kind = cursor_.peek();
        if (kind == TokenKind::end && top) {
            frames_.pop_back();
            return true;
        }
        if (kind == TokenKind::close_brace) {
            if (top) {
                return fail(ParseStatus::malformed, cursor_.offset(),
                            "expected a keyword or a quoted parameter name, found '}' with no "
                            "block open");
            }
            block.end_offset = cursor_.offset();
            cursor_.advance();
            frames_.pop_back();
            return true;
        }
        if (kind == TokenKind::string || kind == TokenKind::hex_name) return begin_list_param();
        if (kind == TokenKind::word) return begin_statement();
        return expected(top ? "a keyword or a quoted parameter name"
                            : "a keyword, a quoted parameter name or '}' closing " +
                                  describe_block(block));
    }

    // "name" values... ,
    bool begin_list_param() {
        Frame& frame = frames_.back();
        frame.line = Param();
        frame.line.offset = cursor_.offset();
        if (!cursor_.read_string(frame.line.name)) return cursor_failed();
        frame.pending = Pending::list_param;
        return true;
    }

    bool continue_list_param() {
        Frame& frame = frames_.back();
        for (;;) {
            skip(false);
            const TokenKind kind = cursor_.peek();
            if (kind == TokenKind::comma) {
                cursor_.advance();
                return finish_line(frame);
            }
            if (!starts_value(kind)) {
                return expected("a value or ',' ending the parameter " + quoted(frame.line.name));
            }
            Block* shader = nullptr;
            if (!parse_value(frame.line.values.emplace_back(), true, false, shader)) return false;
            if (shader) return enter(shader);
        }
    }

    // A keyword line (words, values, end of line) or a block (keyword, names, '{' ... '}').
    bool begin_statement() {
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
        Frame& frame = frames_.back();
        frame.line = Param();
        frame.line.name = std::move(keyword);
        frame.line.keyword_form = true;
        frame.line.offset = start;
        frame.block_keyword = is_block_keyword(frame.line.name);
        frame.pending = Pending::statement;
        return true;
    }

    bool continue_statement() {
        Frame& frame = frames_.back();
        for (;;) {
            skip(true);
            const TokenKind kind = cursor_.peek();
            if (kind == TokenKind::newline || kind == TokenKind::close_brace) {
                return finish_line(frame);
            }
            // Every statement the writer makes ends its line; one without is cut off.
            if (kind == TokenKind::end) return expected("the end of the line");
            if (kind == TokenKind::open_brace && frame.block_keyword) return open_block(frame);
            if (!starts_value(kind)) return expected("a value or the end of the line");
            Block* shader = nullptr;
            if (!parse_value(frame.line.values.emplace_back(), !frame.block_keyword, true,
                             shader)) {
                return false;
            }
            if (shader) return enter(shader);
        }
    }

    bool finish_line(Frame& frame) {
        frame.block->params.push_back(std::move(frame.line));
        frame.pending = Pending::none;
        return true;
    }

    // At the '{' after a block's keyword and head.
    bool open_block(Frame& frame) {
        auto block = std::make_unique<Block>();
        block->keyword = std::move(frame.line.name);
        block->head = std::move(frame.line.values);
        block->offset = frame.line.offset;
        cursor_.advance();  // '{'
        Block* inner = block.get();
        frame.block->blocks.push_back(std::move(block));
        frame.pending = Pending::none;
        return enter(inner);
    }

    // Invalidates references to frames.
    bool enter(Block* block) {
        frames_.emplace_back(block);
        return true;
    }

    // One value. A string followed by '{' starts an anonymous shader when shaders are allowed;
    // on_one_line keeps the look-ahead for that '{' on the current line. The shader's body is
    // read next, into `shader`.
    bool parse_value(Value& value, bool allow_shader, bool on_one_line, Block*& shader) {
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
                return parse_array(value);
            case TokenKind::bang:
                return parse_link(value, shader);
            default:
                break;
        }
        value.kind = Value::Kind::string;
        value.hex = cursor_.peek() == TokenKind::hex_name;
        if (!cursor_.read_string(value.text)) return cursor_failed();
        if (!allow_shader) return true;
        skip(on_one_line);
        if (cursor_.peek() != TokenKind::open_brace) return true;
        shader = open_shader(value);
        return true;
    }

    // At the '{' after a shader's type, already read into value.
    Block* open_shader(Value& value) {
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
        value.shader = std::move(shader);
        return value.shader.get();
    }

    // ! "type" { ... }: a parameter bound to an anonymous shader.
    bool parse_link(Value& value, Block*& shader) {
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
        shader = open_shader(value);
        return true;
    }

    // [ elements ] with text elements separated by commas, or one binary block. Arrays hold no
    // blocks, so they need no frame of their own.
    bool parse_array(Value& value) {
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
    std::vector<Frame> frames_;  // the top level, then every block open at the cursor
};

}  // namespace

ParseResult parse_scene(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kNoData = 0;
    return Parser(data ? data : &kNoData, data ? size : 0).run();
}

}  // namespace inspect
