// Helpers for tests that write files: a private temporary folder and whole-file reading.
#pragma once

#ifdef _WIN32
#include <random>
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
constexpr char path_separator = '\\';

// A new folder in the user's temporary folder. There is no mkdtemp: random names until one is
// new.
inline std::string make_temporary_folder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("vistrel-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) return candidate.u8string();
    }
    std::abort();
}
#else
constexpr char path_separator = '/';

// A new folder under /tmp.
inline std::string make_temporary_folder() {
    char name[] = "/tmp/vistrel-test-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    return name;
}
#endif

// A new temporary folder, removed with everything in it at the end of the test.
class TemporaryFolder {
  public:
    TemporaryFolder() : folder(make_temporary_folder()) {}
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(folder, ignored);
    }
    const std::string& path() const { return folder; }
    std::string file(const std::string& name) const { return folder + path_separator + name; }

  private:
    std::string folder;
};

// Paths are UTF-8, as everywhere in the exporter.
inline std::string read_file(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> read_lines(const std::string& path) {
    std::istringstream in(read_file(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lines of whole that come after the first line equal to start, up to and including the
// first line equal to end after it.
inline std::vector<std::string> lines_between(const std::vector<std::string>& whole,
                                              const std::string& start, const std::string& end) {
    std::vector<std::string> part;
    bool inside = false;
    for (const std::string& line : whole) {
        if (inside) {
            part.push_back(line);
            if (line == end) break;
        } else if (line == start) {
            inside = true;
        }
    }
    return part;
}
