// Helpers for tests that write files: a private temporary folder and whole-file reading.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// A new folder in the system's temporary folder, removed with everything in it at the end of
// the test. Paths are UTF-8, as everywhere in the exporter.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::random_device random;
        const auto temporary = std::filesystem::temp_directory_path();
        do folder = (temporary / ("vistrel-test-" + std::to_string(random()))).u8string();
        while (!std::filesystem::create_directory(std::filesystem::u8path(folder)));
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    const std::string& path() const { return folder; }
    std::string file(const std::string& name) const {
        return (std::filesystem::u8path(folder) / std::filesystem::u8path(name)).u8string();
    }

  private:
    std::string folder;
};

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
