// Helpers of the Windows tests: UTF-8 and UTF-16 texts, and environment variables set for a test.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

inline std::wstring wide(const std::string& text) {
    return std::filesystem::u8path(text).wstring();
}
inline std::string utf8(const std::wstring& text) {
    return std::filesystem::path(text).u8string();
}

// Sets a variable of the process environment, which the system calls (GetTempPathW, the
// environment of a started program) read, and puts back the previous state at the end.
struct ScopedVariable {
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name(name) {
        static wchar_t old[32767];
        if (GetEnvironmentVariableW(name, old, 32767) > 0) previous = old;
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name, previous ? previous->c_str() : nullptr); }
    const wchar_t* name;
    std::optional<std::wstring> previous;
};
