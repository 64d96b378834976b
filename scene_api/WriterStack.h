// A plain last-in-first-out stack for the writer's saved state.
#pragma once

#include <cstddef>
#include <vector>

template <typename T>
class WriterStack {
  public:
    WriterStack() { entries.reserve(32); }

    void push(const T& value) {
        if (entries.size() + 1 >= entries.capacity()) entries.reserve(2 * entries.capacity() + 32);
        entries.push_back(value);
    }

    // Popping an empty stack is a caller's imbalance; it yields a zero value and leaves the
    // stack as it is.
    T pop() {
        if (entries.empty()) return T{};
        T top = entries.back();
        entries.pop_back();
        return top;
    }

    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }

  private:
    std::vector<T> entries;
};
