// POSIX side of the platform layer.
#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <stdio_ext.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

void close_keeping_errno(int fd) {
    const int error = errno;
    close(fd);
    errno = error;
}

#ifdef __GLIBC__
// The writing end of a pipe behind a stdio stream. A blocking pipe write ends early only for a
// signal or for a reader that has gone; writing on would wait again past the interrupt, so the
// first short write ends the output, and every write after it fails at once.
struct PipeOutput {
    int fd;
    int error;
};

bool reader_gone(int fd) {
    pollfd poll_fd{fd, POLLOUT, 0};
    return poll(&poll_fd, 1, 0) == 1 && (poll_fd.revents & POLLERR) != 0;
}

ssize_t write_pipe(void* cookie, const char* data, size_t size) {
    PipeOutput& pipe = *static_cast<PipeOutput*>(cookie);
    size_t done = 0;
    if (pipe.error == 0 && size > 0) {
        const ssize_t n = write(pipe.fd, data, size);
        if (n < 0) {
            pipe.error = errno;
        } else {
            done = static_cast<size_t>(n);
            if (done < size) pipe.error = reader_gone(pipe.fd) ? EPIPE : EINTR;
        }
    }
    if (pipe.error != 0) errno = pipe.error;
    return static_cast<ssize_t>(done);  // short, and 0 when nothing went: the stream's error
}

int close_pipe(void* cookie) {
    PipeOutput* pipe = static_cast<PipeOutput*>(cookie);
    const int result = close(pipe->fd);
    delete pipe;
    return result;
}

FILE* stream_on(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0) return nullptr;
    if (!S_ISFIFO(info.st_mode)) return fdopen(fd, "wb");
    PipeOutput* pipe = new PipeOutput{fd, 0};
    FILE* stream = fopencookie(pipe, "wb", {nullptr, write_pipe, nullptr, close_pipe});
    if (!stream) delete pipe;
    return stream;
}
#else
FILE* stream_on(int fd) {
    return fdopen(fd, "wb");
}
#endif

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

FILE* open_scene_output(const char* path, bool fresh) {
    // Without O_NONBLOCK, opening a named pipe would wait for a reader; with it, the open fails
    // with ENXIO when there is none. The writes that follow block as usual.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    if (fresh) {
        // O_EXCL makes the open fail on anything that appears here again, a link included.
        if (unlink(path) != 0 && errno != ENOENT) return nullptr;
        flags |= O_EXCL;
    } else {
        flags |= O_TRUNC;
    }
    const int fd = open(path, flags, 0666);
    if (fd < 0) return nullptr;
    FILE* stream =
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 ? stream_on(fd) : nullptr;
    if (!stream) close_keeping_errno(fd);
    return stream;
}

FILE* take_standard_output() {
    std::fflush(stdout);
    int fd = fcntl(fileno(stdout), F_DUPFD_CLOEXEC, 0);
    FILE* stream = fd >= 0 ? stream_on(fd) : nullptr;
    int error = errno;
    if (fd >= 0 && !stream) close(fd);
    dup2(fileno(stderr), fileno(stdout));
    errno = error;
    return stream;
}

void discard_buffered_output(FILE* stream) {
#ifdef __GLIBC__
    __fpurge(stream);
#else
    fpurge(stream);
#endif
}

long current_process() {
    return static_cast<long>(getpid());
}

std::string absolute_path(const std::string& path) {
    if (path.empty() || path == "-" || path[0] == '/') return path;
    std::string folder(4096, '\0');
    while (!getcwd(&folder[0], folder.size())) {
        if (errno != ERANGE) return path;  // no current folder: the path stays as given
        folder.resize(2 * folder.size());
    }
    folder.resize(std::strlen(folder.c_str()));
    return folder + (folder.back() == '/' ? "" : "/") + path;
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
