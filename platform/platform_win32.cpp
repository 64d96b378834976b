// Windows side of the platform layer: UTF-8 paths are converted to UTF-16 at each system call.
#ifdef _WIN32

// windows.h comes first: the other system headers depend on it.
// clang-format off
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
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

// Registry reads are allowed half of a buffer of this many UTF-16 units, so that the text read
// is always followed by zeros.
constexpr DWORD value_buffer_units = 1024;
constexpr DWORD value_read_bytes = value_buffer_units * sizeof(wchar_t) / 2;

// GetTempFileNameW adds a number to the stem, so after this many names that all have a scene
// file already, the folder is taken to be unusable.
constexpr int temporary_name_attempts = 64;

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

std::error_code system_error_code(DWORD error) {
    return std::error_code(static_cast<int>(error), std::system_category());
}

// The temporary folder with its trailing backslash, as GetTempPathW gives it.
std::wstring temporary_folder() {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        throw std::ios_base::failure("cannot find the temporary folder",
                                     system_error_code(GetLastError()));
    }
    return folder;
}

std::string without_trailing_backslash(std::string folder) {
    if (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
    return folder;
}

// Creates the scene file beside the ".tmp" file that GetTempFileNameW made; false when a file
// of that name exists already (an earlier scene whose ".tmp" has been cleaned away).
bool create_new_file(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return false;
        throw std::ios_base::failure("cannot create temporary scene file " + narrow(path),
                                     system_error_code(error));
    }
    CloseHandle(file);
    return true;
}

std::runtime_error not_configured(const std::string& what) {
    return std::runtime_error("renderer not configured: " + what);
}

// Reads a string value of the renderer's key; empty when it is missing or empty. Expandable
// strings ("%ProgramFiles%\...") are expanded, since the program is started by that name.
std::wstring read_string_value(HKEY key, const wchar_t* value_name) {
    wchar_t buffer[value_buffer_units] = {};
    DWORD type = 0;
    DWORD size = value_read_bytes;
    LONG result =
        RegQueryValueExW(key, value_name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    const std::string name = narrow(value_name);
    if (result == ERROR_MORE_DATA) {
        throw not_configured(name + " in " + renderer_key_name + " is longer than " +
                             std::to_string(value_read_bytes / sizeof(wchar_t) - 1) +
                             " characters");
    }
    if (result != ERROR_SUCCESS || size == 0) return std::wstring();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw not_configured(name + " in " + renderer_key_name + " is not a string value");
    if (type == REG_SZ) return buffer;
    wchar_t expanded[value_buffer_units] = {};
    DWORD length = ExpandEnvironmentStringsW(buffer, expanded, value_buffer_units);
    if (length == 0 || length > value_buffer_units) {
        throw not_configured(name + " in " + renderer_key_name + " cannot be expanded");
    }
    return expanded;
}

// ShellExecuteW reports failure as a number up to 32: a system error code, or one of its own
// SE_ERR_ codes above those it shares with the system.
std::string launch_error_text(INT_PTR code) {
    switch (code) {
        case 0:
        case SE_ERR_OOM:
            return std::system_category().message(ERROR_NOT_ENOUGH_MEMORY);
        case SE_ERR_SHARE:
            return std::system_category().message(ERROR_SHARING_VIOLATION);
        case SE_ERR_ASSOCINCOMPLETE:
        case SE_ERR_NOASSOC:
            return "no program is associated with this file";
        case SE_ERR_DDETIMEOUT:
        case SE_ERR_DDEFAIL:
        case SE_ERR_DDEBUSY:
            return "the program did not answer the shell's request";
        case SE_ERR_DLLNOTFOUND:
            return std::system_category().message(ERROR_MOD_NOT_FOUND);
        default:
            return std::system_category().message(static_cast<int>(code));
    }
}

}  // namespace

std::string temporary_file_path(const std::string& file_name) {
    return narrow(temporary_folder()) + file_name;
}

std::string create_temporary_scene_file() {
    const std::wstring folder = temporary_folder();
    // The system makes and creates "vis<hex>.tmp"; that file stays and keeps the stem taken, and
    // the scene gets the same stem with the extension "vsf". A scene file of that name may
    // outlive its ".tmp"; it is never reused, so no earlier scene is overwritten.
    for (int attempt = 0; attempt < temporary_name_attempts; ++attempt) {
        wchar_t name[MAX_PATH + 1] = {};
        if (GetTempFileNameW(folder.c_str(), L"vistrel", 0, name) == 0) {
            throw std::ios_base::failure("cannot create a temporary scene file in " +
                                             without_trailing_backslash(narrow(folder)),
                                         system_error_code(GetLastError()));
        }
        std::wstring scene = name;
        scene.replace(scene.size() - 3, 3, L"vsf");
        if (create_new_file(scene)) return narrow(scene);
    }
    throw std::ios_base::failure(
        "cannot create a temporary scene file in " + without_trailing_backslash(narrow(folder)),
        system_error_code(ERROR_FILE_EXISTS));
}

FILE* open_file_utf8(const char* path, const char* mode) {
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

FILE* open_scene_output(const char* path, bool fresh) {
    if (!fresh) return open_file_utf8(path, "wb+");
    // DeleteFileW removes a link itself, never what it points to; _O_EXCL refuses whatever
    // appears at the path again.
    const std::wstring wide = widen(path);
    if (!DeleteFileW(wide.c_str())) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            errno = error == ERROR_ACCESS_DENIED ? EACCES : EEXIST;
            return nullptr;
        }
    }
    const int fd = _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
    FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (fd >= 0 && !stream) _close(fd);
    return stream;
}

// Windows has no fork, so a scene is never inherited with bytes still to drop.
void discard_buffered_output(FILE*) {}

long current_process() {
    return static_cast<long>(GetCurrentProcessId());
}

std::string absolute_path(const std::string& path) {
    if (path.empty() || path == "-") return path;
    const std::wstring wide = widen(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), length, &full[0], nullptr);
    if (written == 0 || written >= length) return path;
    full.resize(written);
    return narrow(full);
}

FILE* take_standard_output() {
    std::fflush(stdout);
    int fd = _dup(_fileno(stdout));
    FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    int error = errno;
    if (fd >= 0 && !stream) _close(fd);
    _dup2(_fileno(stderr), _fileno(stdout));
    // The descriptor inherits the text mode of standard output; the scene must leave untranslated.
    if (stream) _setmode(_fileno(stream), _O_BINARY);
    errno = error;
    return stream;
}

RendererLocation find_renderer() {
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, renderer_key, &key) != ERROR_SUCCESS)
        throw not_configured(std::string("registry key ") + renderer_key_name + " is missing");
    RendererLocation location;
    try {
        location.program = narrow(read_string_value(key, L"BinName"));
        if (location.program.empty())
            throw not_configured(std::string("no BinName in ") + renderer_key_name);
        location.folder = narrow(read_string_value(key, L"BinFolder"));
    } catch (...) {
        RegCloseKey(key);
        throw;
    }
    RegCloseKey(key);
    return location;
}

void launch_detached(const std::string& program, const std::string& folder,
                     const std::vector<std::string>& arguments) {
    const std::wstring file = widen(program);
    const std::wstring parameters = widen(join_windows_arguments(arguments));
    const std::wstring directory = widen(folder);
    // Checked first, so that a wrong BinFolder is named as such.
    if (!directory.empty()) {
        const DWORD attributes = GetFileAttributesW(directory.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const DWORD error =
                attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
            throw std::runtime_error("cannot start renderer " + program + " in " + folder + ": " +
                                     std::system_category().message(static_cast<int>(error)));
        }
    }
    HINSTANCE result = ShellExecuteW(nullptr, L"open", file.c_str(), parameters.c_str(),
                                     directory.empty() ? nullptr : directory.c_str(), SW_SHOW);
    const INT_PTR code = reinterpret_cast<INT_PTR>(result);
    if (code <= 32) {
        throw std::runtime_error("cannot start renderer " + program + ": " +
                                 launch_error_text(code));
    }
}

}  // namespace platform

#endif  // _WIN32
