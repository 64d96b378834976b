// Helpers of the Windows tests: UTF-8 and UTF-16 texts, and environment variables set for the
// length of a test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <system_error>

inline std::wstring wide(const std::string& text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &result[0], length);
    result.pop_back();  // the terminating zero
    return result;
}

inline std::string utf8(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], length, nullptr, nullptr);
    result.pop_back();
    return result;
}

// The system's text for a Windows error code, as the exporter's messages end with it.
inline std::string system_message(DWORD error) {
    return std::system_category().message(static_cast<int>(error));
}

// Sets (or, with no value, removes) a variable of the process environment and puts back the
// previous state at the end. The system calls that read the environment (GetTempPathW, the
// environment handed to a started program) see the change.
class ScopedVariable {
  public:
    ScopedVariable(const wchar_t* name, std::optional<std::wstring> value) : name(name) {
        static wchar_t old[32767];
        SetLastError(ERROR_SUCCESS);
        if (GetEnvironmentVariableW(name, old, 32767) > 0 ||
            GetLastError() != ERROR_ENVVAR_NOT_FOUND)
            previous = old;
        SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name, previous ? previous->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const wchar_t* name;
    std::optional<std::wstring> previous;
};
