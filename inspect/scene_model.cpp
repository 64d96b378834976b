#include "scene_model.h"

#include <cmath>
#include <cstring>

namespace inspect {

namespace {

std::uint32_t item_bits(const std::uint8_t* items, std::size_t i) {
    const std::uint8_t* p = items + 4 * i;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

float ArrayData::float_at(std::size_t i) const {
    if (!is_binary()) return static_cast<float>(numbers[i]);
    const std::uint32_t bits = item_bits(items, i);
    if (tag == 'i') return static_cast<float>(static_cast<std::int32_t>(bits));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool ArrayData::index_at(std::size_t i, std::int64_t& out) const {
    if (is_binary()) {
        out = static_cast<std::int32_t>(item_bits(items, i));
        return tag == 'i';
    }
    const double value = numbers[i];
    if (!(value >= -2147483648.0 && value <= 2147483647.0) || std::floor(value) != value) {
        return false;
    }
    out = static_cast<std::int64_t>(value);
    return true;
}

namespace {

void take_nested(Block& block, std::vector<std::unique_ptr<Block>>& out) {
    for (auto& nested : block.blocks) {
        if (nested) out.push_back(std::move(nested));
    }
    for (Param& param : block.params) {
        for (Value& value : param.values) {
            if (value.shader) out.push_back(std::move(value.shader));
        }
    }
    for (Value& value : block.head) {
        if (value.shader) out.push_back(std::move(value.shader));
    }
}

}  // namespace

Block::~Block() {
    std::vector<std::unique_ptr<Block>> nested;
    take_nested(*this, nested);
    while (!nested.empty()) {
        std::unique_ptr<Block> block = std::move(nested.back());
        nested.pop_back();
        take_nested(*block, nested);
    }  // each block goes with nothing nested left in it
}

std::string_view Block::name() const {
    if (head.empty()) return {};
    return head.front().text;
}

const Param* Block::find_param(std::string_view param_name) const {
    for (const Param& param : params) {
        if (param.name == param_name) return &param;
    }
    return nullptr;
}

const Block* Block::find_shader(std::string_view param_name, bool linked) const {
    for (const Param& param : params) {
        if (param.name != param_name) continue;
        for (const Value& value : param.values) {
            if (value.kind == Value::Kind::shader && value.link == linked) {
                return value.shader.get();
            }
        }
    }
    return nullptr;
}

const Block* Block::find_block(std::string_view block_keyword) const {
    for (const auto& block : blocks) {
        if (block->keyword == block_keyword) return block.get();
    }
    return nullptr;
}

}  // namespace inspect
