// Sets or removes an environment variable for the life of the object.
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
// The variable that names the temporary folder.
constexpr const char* temporary_folder_variable = "TMP";
#else
constexpr const char* temporary_folder_variable = "TMPDIR";
#endif

class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : name(name) {
        if (const char* old = std::getenv(name)) previous = old;
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (previous) {
            setenv(name, previous->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name;
    std::optional<std::string> previous;
};
