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
    block_->words.reserve(kBlockWords + 64);
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
    std::vector<uint32_t>& words = block_->words;
    words.push_back(kind);
    for (float v : values) words.push_back(word(v));
    if (words.size() >= kBlockWords) send();
}

Corner* BuildQueue::face(int count) {
    if (block_->words.size() >= kBlockWords) send();
    std::vector<uint32_t>& words = block_->words;
    const size_t at = words.size();
    words.resize(at + 2 + 3 * size_t(count));
    words[at] = kFace;
    words[at + 1] = uint32_t(count);
    static_assert(sizeof(Corner) == 3 * sizeof(uint32_t), "a corner is three words");
    return reinterpret_cast<Corner*>(&words[at + 2]);
}

void BuildQueue::object(const std::string& name) {
    block_->words.push_back(kObject);
    block_->names.push_back(name);
}

void BuildQueue::group(const std::string& name) {
    block_->words.push_back(kGroup);
    block_->names.push_back(name);
}

void BuildQueue::material(int id) {
    block_->words.insert(block_->words.end(), {kMaterial, uint32_t(id)});
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
        block_->words.reserve(kBlockWords + 64);
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
        block->words.clear();
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
    uint32_t* const end = w + block.words.size();
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
