// Helpers of the exporter's tests: environment variables set for a scope, and the text of an
// expected exception.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#ifdef _WIN32
// The C runtime's equivalents; an empty value removes the variable.
inline int setenv(const char* name, const char* value, int) {
    return _putenv_s(name, value);
}
inline int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
constexpr const char* temporary_folder_variable = "TMP";
#else
constexpr const char* temporary_folder_variable = "TMPDIR";
#endif

// Sets (or with no value removes) an environment variable for the life of the object.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : name(name) {
        if (const char* old = std::getenv(name)) previous = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnvironment() { previous ? setenv(name, previous->c_str(), 1) : unsetenv(name); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name;
    std::optional<std::string> previous;
};

// What call throws as an Exception; anything else escapes and fails the test.
template <typename Exception, typename Call>
std::string message_of(Call call) {
    try {
        call();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(nothing thrown)";
}
