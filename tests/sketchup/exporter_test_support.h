// Helpers of the exporter's tests: a test export, golden files, environment variables and
// expected exceptions.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "SketchupExporter.h"
#include "test_files.h"

// Opens an export to path with the camera every test uses.
inline void open_export(SketchupExporter& exporter, const std::string& path,
                        const char* model = "m") {
    static const float eye[3] = {1, 2, 3}, dir[3] = {0, 0, -1}, up[3] = {0, 1, 0};
    exporter.open_file(model, path.c_str(), eye, dir, up, 45, 0, true);
}

inline std::string golden(const std::string& name) {
    return read_file(std::string(VISTREL_SKETCHUP_TEST_DATA) + "/" + name);
}

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
