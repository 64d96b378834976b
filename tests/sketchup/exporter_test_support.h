// Helpers of the exporter's tests: environment variables and expected exceptions.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#ifdef _WIN32
constexpr const char* temporary_folder_variable = "TMP";
#else
constexpr const char* temporary_folder_variable = "TMPDIR";
#endif

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name(name) {
        if (const char* old = std::getenv(name)) previous = old;
        set(value.c_str());
    }
    ~ScopedEnvironment() { set(previous ? previous->c_str() : nullptr); }

  private:
    void set(const char* value) {
#ifdef _WIN32
        _putenv_s(name, value ? value : "");  // an empty value removes the variable
#else
        value ? setenv(name, value, 1) : unsetenv(name);
#endif
    }
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
