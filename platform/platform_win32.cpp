// Windows side of the platform layer: UTF-8 paths are converted to UTF-16 at each system call.
#ifdef _WIN32

// windows.h comes first: the other system headers depend on it.
// clang-format off
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
// clang-format on

#include <cerrno>
#include <cwchar>
#include <ios>
#include <stdexcept>
#include <system_error>

#include "command_line.h"
#include "platform.h"

namespace platform {

namespace {

const wchar_t* const renderer_key = L"SOFTWARE\\Tavren\\Vistrel";
const char* const renderer_key_name = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tavren\\Vistrel";

std::wstring widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length,
                        nullptr, nullptr);
    return text;
}

std::string os_error_text(DWORD error) {
    return std::system_category().message(static_cast<int>(error));
}

// The temporary folder with its trailing backslash, as GetTempPathW gives it.
std::wstring temporary_folder() {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        throw std::ios_base::failure(
            "cannot find the temporary folder",
            std::error_code(static_cast<int>(GetLastError()), std::system_category()));
    }
    return folder;
}

// Reads a string value of the renderer's key; empty when it is missing or not a string. The
// read is allowed half the buffer, so the text is always followed by zeros.
std::wstring read_string_value(HKEY key, const wchar_t* value_name) {
    wchar_t buffer[1024] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer / 2;
    LONG result =
        RegQueryValueExW(key, value_name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS || size == 0 || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    return buffer;
}

}  // namespace

std::string temporary_file_path(const std::string& file_name) {
    return narrow(temporary_folder()) + file_name;
}

std::string create_temporary_scene_file() {
    const std::wstring folder = temporary_folder();
    // The system makes and creates "vis<hex>.tmp"; that file stays and keeps the stem taken, and
    // the scene gets the same stem with the extension "vsf".
    wchar_t name[MAX_PATH + 1] = {};
    if (GetTempFileNameW(folder.c_str(), L"vistrel", 0, name) == 0) {
        throw std::ios_base::failure(
            "cannot create a temporary scene file in " + narrow(folder),
            std::error_code(static_cast<int>(GetLastError()), std::system_category()));
    }
    std::size_t length = std::wcslen(name);
    if (length >= 3) {
        name[length - 3] = L'v';
        name[length - 2] = L's';
        name[length - 1] = L'f';
    }
    return narrow(name);
}

FILE* open_file_utf8(const char* path, const char* mode) {
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

FILE* take_standard_output() {
    std::fflush(stdout);
    int fd = _dup(_fileno(stdout));
    FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    int error = errno;
    if (fd >= 0 && !stream) _close(fd);
    _dup2(_fileno(stderr), _fileno(stdout));
    if (stream) _setmode(_fileno(stream), _O_BINARY);
    errno = error;
    return stream;
}

RendererLocation find_renderer() {
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, renderer_key, &key) != ERROR_SUCCESS) {
        throw std::runtime_error(std::string("renderer not configured: registry key ") +
                                 renderer_key_name + " is missing");
    }
    std::wstring program = read_string_value(key, L"BinName");
    std::wstring folder = read_string_value(key, L"BinFolder");
    RegCloseKey(key);
    if (program.empty()) {
        throw std::runtime_error(std::string("renderer not configured: no BinName in ") +
                                 renderer_key_name);
    }
    return {narrow(program), narrow(folder)};
}

void launch_detached(const std::string& program, const std::string& folder,
                     const std::vector<std::string>& arguments) {
    const std::wstring file = widen(program);
    const std::wstring parameters = widen(join_windows_arguments(arguments));
    const std::wstring directory = widen(folder);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", file.c_str(), parameters.c_str(),
                                     directory.empty() ? nullptr : directory.c_str(), SW_SHOW);
    // Values up to 32 are error codes; the last error then holds the system's reason.
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        throw std::runtime_error("cannot start renderer " + program + ": " +
                                 os_error_text(GetLastError()));
    }
}

}  // namespace platform

#endif  // _WIN32
