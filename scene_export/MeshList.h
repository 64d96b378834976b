// One list of a mesh under construction (positions, normals, texture coordinates, indices):
// values appended one at a time into storage of its own, and runs of values lent by the caller,
// which stay where they are, in the order they were given.
#pragma once

#include <cstddef>
#include <vector>

template <typename T>
class MeshList {
  public:
    void push_back(T value) { own.push_back(value); }
    void reserve(std::size_t count) { own.reserve(count); }
    // count values at values, which the lender keeps in place until it calls forget_lent or
    // clear; they follow the values appended so far.
    void lend(const T* values, std::size_t count) {
        if (count == 0) return;
        close_own_run();
        runs.push_back({values, 0, count});
        lent_count += count;
    }
    // Drops the lent values; the list keeps its own.
    void forget_lent() {
        runs.clear();
        own_in_runs = 0;
        lent_count = 0;
    }
    void clear() {
        own.clear();
        forget_lent();
    }

    std::size_t size() const { return own.size() + lent_count; }
    bool empty() const { return size() == 0; }

    // Calls visit(values, count) for each run of values in list order.
    template <typename Visit>
    void each_run(Visit visit) const {
        for (const Run& run : runs)
            visit(run.values ? run.values : own.data() + run.start, run.count);
        if (own.size() > own_in_runs) visit(own.data() + own_in_runs, own.size() - own_in_runs);
    }

  private:
    // Lent values, or (values null) own values from start on.
    struct Run {
        const T* values;
        std::size_t start;
        std::size_t count;
    };
    // The own values appended since the last run become a run of their own, so that they keep
    // their place before the lent values that follow.
    void close_own_run() {
        if (own.size() == own_in_runs) return;
        runs.push_back({nullptr, own_in_runs, own.size() - own_in_runs});
        own_in_runs = own.size();
    }

    std::vector<T> own;
    std::vector<Run> runs;
    std::size_t own_in_runs = 0;  // own values placed in runs
    std::size_t lent_count = 0;
};
