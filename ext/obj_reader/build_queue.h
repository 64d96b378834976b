// Builds the model on a thread of its own while the text is parsed: the parser's statements are
// queued in blocks, and the builder takes them in the order they were read.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "obj_builder.h"

namespace vistrel_obj {

class BuildQueue {
  public:
    explicit BuildQueue(ObjBuilder& builder);
    // Stops the builder where it is, when finish was not reached.
    ~BuildQueue();
    BuildQueue(const BuildQueue&) = delete;
    BuildQueue& operator=(const BuildQueue&) = delete;

    void position(float x, float y, float z) { put(kPosition, {x, y, z}); }
    void uv(float u, float v) { put(kUv, {u, v}); }
    void normal(float x, float y, float z) { put(kNormal, {x, y, z}); }
    // Room for a face's count corners, to be filled before the next statement.
    Corner* face(int count);
    void object(const std::string& name);
    void group(const std::string& name);
    void material(int id);
    // Waits until the builder has taken every statement; rethrows what the builder threw.
    void finish();

  private:
    enum Kind : uint32_t { kPosition, kUv, kNormal, kFace, kObject, kGroup, kMaterial };
    struct Block {
        std::vector<uint32_t> words;  // kind, then its values; the first size are used
        size_t size = 0;
        std::vector<std::string> names;
    };

    // Room for n words at the end of the block being filled.
    uint32_t* room(size_t n) {
        if (block_->size + n > block_->words.size()) make_room(n);
        uint32_t* at = block_->words.data() + block_->size;
        block_->size += n;
        return at;
    }
    void put(Kind kind, std::initializer_list<float> values);
    void make_room(size_t n);
    void send();
    void run();
    void play(Block& block);

    ObjBuilder& builder_;
    std::unique_ptr<Block> block_;  // being filled
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Block>> full_, free_;
    bool ending_ = false;    // no more blocks come
    bool stopping_ = false;  // leave the rest
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace vistrel_obj
