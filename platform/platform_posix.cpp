// POSIX side of the platform layer.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <ios>
#include <stdexcept>
#include <system_error>

#include "command_line.h"
#include "platform.h"

namespace platform {

namespace {

std::string os_error_text(int error) {
    return std::generic_category().message(error);
}

std::string temporary_folder() {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string folder = (tmpdir && *tmpdir) ? tmpdir : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string environment_or(const char* variable, const std::string& fallback) {
    const char* value = std::getenv(variable);
    return (value && *value) ? value : fallback;
}

// The configuration folders in the order they are searched: the user's, then the system's.
std::vector<std::string> configuration_folders() {
    std::vector<std::string> folders;
    const char* home = std::getenv("HOME");
    std::string user =
        environment_or("XDG_CONFIG_HOME", home ? std::string(home) + "/.config" : "");
    if (!user.empty()) folders.push_back(user);
    std::string system = environment_or("XDG_CONFIG_DIRS", "/etc/xdg");
    std::size_t start = 0;
    while (start <= system.size()) {
        std::size_t colon = system.find(':', start);
        if (colon == std::string::npos) colon = system.size();
        std::string folder = system.substr(start, colon - start);
        // Relative entries are not meaningful here and are skipped.
        if (!folder.empty() && folder[0] == '/') folders.push_back(folder);
        start = colon + 1;
    }
    return folders;
}

const char* const config_file = "Tavren/Vistrel.conf";

// What the launching child reports through the pipe when it fails.
struct LaunchFailure {
    int step;  // 0 changing folder, 1 starting the program, 2 forking
    int error;
};

[[noreturn]] void report_and_exit(int pipe_end, int step, int error) {
    LaunchFailure failure{step, error};
    ssize_t written = write(pipe_end, &failure, sizeof failure);
    (void)written;
    _exit(127);
}

}  // namespace

std::string temporary_file_path(const std::string& file_name) {
    return temporary_folder() + "/" + file_name;
}

std::string create_temporary_scene_file() {
    const std::string folder = temporary_folder();
    std::string name = folder + "/visXXXXXX.vsf";
    int fd = mkstemps(&name[0], 4);
    if (fd < 0) {
        throw std::ios_base::failure("cannot create a temporary scene file in " + folder,
                                     std::error_code(errno, std::generic_category()));
    }
    close(fd);
    return name;
}

FILE* open_file_utf8(const char* path, const char* mode) {
    std::string flags = mode;
#ifdef __GLIBC__
    flags += 'e';  // close on exec, so a launched renderer does not inherit the scene file
#endif
    return std::fopen(path, flags.c_str());
}

FILE* take_standard_output() {
    std::fflush(stdout);
    int fd = fcntl(fileno(stdout), F_DUPFD_CLOEXEC, 0);
    FILE* stream = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    int error = errno;
    if (fd >= 0 && !stream) close(fd);
    dup2(fileno(stderr), fileno(stdout));
    errno = error;
    return stream;
}

RendererLocation find_renderer() {
    std::string searched;
    for (const std::string& folder : configuration_folders()) {
        const std::string path = folder + "/" + config_file;
        std::ifstream in(path);
        if (!in) {
            searched += (searched.empty() ? "" : ", ") + path;
            continue;
        }
        RendererSettings settings = parse_renderer_settings(in);
        if (settings.bin_name.empty())
            throw std::runtime_error("renderer not configured: no BinName in " + path);
        return {settings.bin_name, settings.bin_folder};
    }
    throw std::runtime_error("renderer not configured: none of " + searched + " exists");
}

void launch_detached(const std::string& program, const std::string& folder,
                     const std::vector<std::string>& arguments) {
    // Everything the child needs is made before forking: it may only make async-signal-safe
    // calls.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const char* working_folder = folder.empty() ? nullptr : folder.c_str();

    // The pipe closes on a successful exec; a failing child writes its error into it first.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot start renderer " + program + ": " + os_error_text(errno));
    pid_t child = fork();
    if (child < 0) {
        int error = errno;
        close(report[0]);
        close(report[1]);
        throw std::runtime_error("cannot start renderer " + program + ": " + os_error_text(error));
    }
    if (child == 0) {
        // The intermediate child exits at once, so the renderer is adopted by init and never
        // becomes a zombie of the caller.
        close(report[0]);
        pid_t renderer = fork();
        if (renderer < 0) report_and_exit(report[1], 2, errno);
        if (renderer > 0) _exit(0);
        setsid();
        if (working_folder && chdir(working_folder) != 0) report_and_exit(report[1], 0, errno);
        execv(argv[0], argv.data());
        report_and_exit(report[1], 1, errno);
    }
    close(report[1]);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    LaunchFailure failure{};
    ssize_t got;
    do {
        got = read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got != static_cast<ssize_t>(sizeof failure)) return;
    if (failure.step == 0) {
        throw std::runtime_error("cannot start renderer " + program + " in " + folder + ": " +
                                 os_error_text(failure.error));
    }
    throw std::runtime_error("cannot start renderer " + program + ": " +
                             os_error_text(failure.error));
}

}  // namespace platform

#endif  // _WIN32
