#include "output_guard.h"

#include <filesystem>
#include <system_error>

namespace inspect {

bool same_file(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
    const fs::path first = fs::weakly_canonical(fs::absolute(a, error), error);
    if (error) return false;
    const fs::path second = fs::weakly_canonical(fs::absolute(b, error), error);
    return !error && first == second;
}

std::string output_conflict(const std::vector<NamedPath>& outputs,
                            const std::vector<NamedPath>& inputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::string& path = outputs[i].path;
        const NamedPath* clash = nullptr;
        for (const NamedPath& input : inputs) {
            if (!clash && same_file(path, input.path)) clash = &input;
        }
        for (std::size_t j = 0; j < i && !clash; ++j) {
            if (same_file(path, outputs[j].path)) clash = &outputs[j];
        }
        if (clash)
            return "cannot write " + path + ": it is " + clash->what + " (" + clash->path + ")";
    }
    return {};
}

}  // namespace inspect
