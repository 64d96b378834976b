// Helpers of the Windows tests: UTF-8 and UTF-16 texts, system messages, and environment
// variables set for the length of a test.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

inline std::wstring wide(const std::string& text) {
    return std::filesystem::u8path(text).wstring();
}
inline std::string utf8(const std::wstring& text) {
    return std::filesystem::path(text).u8string();
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
        if (GetEnvironmentVariableW(name, old, 32767) > 0) previous = old;
        SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name, previous ? previous->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const wchar_t* name;
    std::optional<std::wstring> previous;
};
