#include "command_line.h"

namespace platform {

std::string quote_windows_argument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    // Backslashes are literal unless they precede a double quote; those before a quote (or the
    // closing quote) are doubled.
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(2 * backslashes + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

std::string join_windows_arguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += quote_windows_argument(argument);
    }
    return line;
}

namespace {

std::string trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace

RendererSettings parse_renderer_settings(std::istream& in) {
    RendererSettings settings;
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        // Editors on Windows often start a UTF-8 file with a byte-order mark.
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        std::string content = trim(line);
        if (content.empty() || content[0] == '#') continue;
        std::size_t equals = content.find('=');
        if (equals == std::string::npos) continue;
        std::string key = trim(content.substr(0, equals));
        std::string value = trim(content.substr(equals + 1));
        if (key == "BinName") {
            settings.bin_name = value;
        } else if (key == "BinFolder") {
            settings.bin_folder = value;
        }
    }
    return settings;
}

}  // namespace platform
