// The parsed form of a scene file: blocks holding parameters, nested blocks and comments.
// Binary arrays are not copied; they point into the bytes the scene was parsed from, which
// must outlive the Scene.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace inspect {

struct Block;

// An array value: either one binary block of 4-byte items or text elements.
struct ArrayData {
    std::size_t offset = 0;  // of the opening '['

    // Binary form: tag 'c', 'f' or 'i' and the items, little-endian, unaligned.
    char tag = 0;
    std::size_t block_offset = 0;  // of the block's first byte
    const std::uint8_t* items = nullptr;
    std::size_t item_count = 0;

    // Text form: every number of every element in order, and the strings.
    std::vector<double> numbers;
    std::vector<std::string> strings;
    std::size_t text_elements = 0;  // comma-separated elements written as text

    bool is_binary() const { return tag != 0; }
    // Number of 4-byte items (binary) or of numbers (text).
    std::size_t size() const { return is_binary() ? item_count : numbers.size(); }
    bool holds_ints() const { return is_binary() ? tag == 'i' : true; }
    bool holds_floats() const { return is_binary() ? tag != 'i' : true; }
    float float_at(std::size_t i) const;
    // Index i as a 64-bit integer; false when a text value is not a whole number.
    bool index_at(std::size_t i, std::int64_t& out) const;
};

struct Value {
    enum class Kind { number, word, string, blob, array, shader };
    Kind kind = Kind::word;
    std::size_t offset = 0;
    double number = 0.0;
    std::string text;   // source text of numbers and words; the decoded string or blob bytes
    bool hex = false;   // a string written as "xX" and hexadecimal digits
    bool link = false;  // a shader bound with '!'
    std::unique_ptr<ArrayData> array;
    std::unique_ptr<Block> shader;  // an anonymous shader: head[0] is its type
};

// A parameter: a parameter-list line ("name" values,) or a keyword line (name values).
// Statements such as transform, progress and the object flag lines are keyword lines too.
struct Param {
    std::string name;
    bool keyword_form = false;
    std::size_t offset = 0;
    std::vector<Value> values;
};

struct Comment {
    std::size_t offset = 0;
    std::string text;  // without the leading "//" and the line ending
};

struct Block {
    Block() = default;
    // Releases the nested blocks and shaders one by one, not recursively.
    ~Block();
    Block(Block&&) = default;
    Block& operator=(Block&&) = default;

    std::string keyword;  // "group", "#define group", "object"...; empty for an anonymous shader
    std::vector<Value> head;  // the names and numbers between the keyword and '{'
    std::size_t offset = 0;
    std::size_t end_offset = 0;  // of the closing '}'
    std::vector<Param> params;
    std::vector<std::unique_ptr<Block>> blocks;
    std::vector<Comment> comments;

    // The first head value as text: the block's name, or a shader's type.
    std::string_view name() const;
    const Param* find_param(std::string_view param_name) const;
    // The first parameter of that name whose value is a shader, or that is bound with '!'.
    const Block* find_shader(std::string_view param_name, bool linked) const;
    const Block* find_block(std::string_view block_keyword) const;
};

// Visits the blocks nested in root (not root itself; shaders are not blocks here) in file
// order, depth first and without recursion, so that no nesting depth exhausts the stack.
// enter(block) returns whether to walk into the block; leave(block) follows the last block
// nested in a block walked into.
template <typename Enter, typename Leave>
void walk_blocks(const Block& root, Enter&& enter, Leave&& leave) {
    std::vector<std::pair<const Block*, std::size_t>> path{{&root, 0}};
    while (!path.empty()) {
        auto& [block, next] = path.back();
        if (next == block->blocks.size()) {
            if (path.size() > 1) leave(*block);
            path.pop_back();
        } else {
            const Block& child = *block->blocks[next++];
            if (enter(child)) path.emplace_back(&child, 0);
        }
    }
}

struct Scene {
    std::size_t size = 0;        // bytes parsed
    std::string format_version;  // from the magic line, "3" for this format
    Block root;                  // the file's top level (keyword empty)
};

}  // namespace inspect
