#include "build_queue.h"

#include <cstring>
#ifndef _WIN32
#include <signal.h>
#endif

namespace vistrel_obj {

namespace {

constexpr size_t kBlockWords = size_t(1) << 16;
// Blocks on their way: the parser waits when the builder is this far behind.
constexpr size_t kMaxBlocks = 16;

uint32_t word(float value) {
    uint32_t w;
    std::memcpy(&w, &value, sizeof w);
    return w;
}

float value(uint32_t w) {
    float v;
    std::memcpy(&v, &w, sizeof v);
    return v;
}

}  // namespace

BuildQueue::BuildQueue(ObjBuilder& builder) : builder_(builder), block_(std::make_unique<Block>()) {
    block_->words.resize(kBlockWords);
#ifndef _WIN32
    // Signals go to the interpreter's thread, never to the builder's.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    thread_ = std::thread(&BuildQueue::run, this);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
#else
    thread_ = std::thread(&BuildQueue::run, this);
#endif
}

BuildQueue::~BuildQueue() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BuildQueue::put(Kind kind, std::initializer_list<float> values) {
    uint32_t* w = room(1 + values.size());
    *w++ = kind;
    for (float v : values) *w++ = word(v);
}

void BuildQueue::make_room(size_t n) {
    if (block_->size > 0) send();
    if (n > block_->words.size()) block_->words.resize(n);  // a face of very many corners
}

Corner* BuildQueue::face(int count) {
    uint32_t* w = room(2 + 3 * size_t(count));
    w[0] = kFace;
    w[1] = uint32_t(count);
    static_assert(sizeof(Corner) == 3 * sizeof(uint32_t), "a corner is three words");
    return reinterpret_cast<Corner*>(w + 2);
}

void BuildQueue::object(const std::string& name) {
    *room(1) = kObject;
    block_->names.push_back(name);
}

void BuildQueue::group(const std::string& name) {
    *room(1) = kGroup;
    block_->names.push_back(name);
}

void BuildQueue::material(int id) {
    uint32_t* w = room(2);
    w[0] = kMaterial;
    w[1] = uint32_t(id);
}

void BuildQueue::send() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return full_.size() < kMaxBlocks || failure_; });
    if (failure_) std::rethrow_exception(failure_);  // the builder gave up: so does the parse
    full_.push_back(std::move(block_));
    if (!free_.empty()) {
        block_ = std::move(free_.front());
        free_.pop_front();
    }
    lock.unlock();
    changed_.notify_all();
    if (!block_) {
        block_ = std::make_unique<Block>();
        block_->words.resize(kBlockWords);
    }
}

void BuildQueue::finish() {
    send();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (failure_) std::rethrow_exception(failure_);
}

void BuildQueue::run() {
    for (;;) {
        std::unique_ptr<Block> block;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return !full_.empty() || ending_ || stopping_; });
            if (stopping_ || full_.empty()) return;
            block = std::move(full_.front());
            full_.pop_front();
        }
        if (!failure_) {
            try {
                play(*block);
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex_);
                failure_ = std::current_exception();
            }
        }
        block->size = 0;
        block->names.clear();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(std::move(block));
        }
        changed_.notify_all();
    }
}

void BuildQueue::play(Block& block) {
    uint32_t* w = block.words.data();
    uint32_t* const end = w + block.size;
    auto name = block.names.begin();
    while (w < end) {
        switch (*w++) {
            case kPosition:
                builder_.position(value(w[0]), value(w[1]), value(w[2]));
                w += 3;
                break;
            case kUv:
                builder_.uv(value(w[0]), value(w[1]));
                w += 2;
                break;
            case kNormal:
                builder_.normal(value(w[0]), value(w[1]), value(w[2]));
                w += 3;
                break;
            case kFace: {
                const int count = int(*w++);
                builder_.face(reinterpret_cast<Corner*>(w), count);
                w += 3 * count;
                break;
            }
            case kObject:
                builder_.object(*name++);
                break;
            case kGroup:
                builder_.group(*name++);
                break;
            case kMaterial:
                builder_.material(int(*w++));
                break;
        }
    }
}

}  // namespace vistrel_obj
