// Outputs that would replace a file the inspector reads, or one another.
#pragma once

#include <string>
#include <vector>

namespace inspect {

struct NamedPath {
    std::string path;
    std::string what;  // how a message names it: "the scene being read"
};

// Whether both paths name one file: under two names (links) too, and spelt two ways when it
// does not exist yet.
bool same_file(const std::string& a, const std::string& b);

// "cannot write OUT: it is WHAT (PATH)" for the first output that is one of `inputs` or an
// output before it; empty when there is none.
std::string output_conflict(const std::vector<NamedPath>& outputs,
                            const std::vector<NamedPath>& inputs);

}  // namespace inspect
