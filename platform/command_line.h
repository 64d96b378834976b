// Text helpers of the platform layer that do not depend on the operating system, kept apart so
// that they can be tested everywhere.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace platform {

// Quotes one argument for a Windows command line so that the program's argument parser reads
// it back unchanged (blanks, tabs, double quotes and the backslashes before them).
std::string quote_windows_argument(const std::string& argument);
// The arguments quoted where needed and joined by single blanks.
std::string join_windows_arguments(const std::vector<std::string>& arguments);

// The settings of a renderer configuration file: "key=value" lines, blank lines and lines
// starting with '#' allowed, blanks around keys and values trimmed.
struct RendererSettings {
    std::string bin_name;
    std::string bin_folder;
};
RendererSettings parse_renderer_settings(std::istream& in);

}  // namespace platform
