#include "file_bytes.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ios>
#include <system_error>

namespace inspect {

namespace {

[[noreturn]] void fail(const std::string& path, int error) {
    throw std::ios_base::failure("cannot read " + path,
                                 std::error_code(error ? error : EIO, std::generic_category()));
}

}  // namespace

FileBytes read_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) fail(path, errno);
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        std::fclose(file);
        fail(path, error);
    }
    FileBytes bytes;
    bytes.size = static_cast<std::size_t>(info.st_size);
    // Not value-initialised: the read fills every byte.
    bytes.data = allocate_large(bytes.size);
    std::size_t done = 0;
    while (done < bytes.size) {
        const std::size_t got = std::fread(bytes.data.get() + done, 1, bytes.size - done, file);
        if (got == 0) break;
        done += got;
    }
    const int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error) fail(path, error);
    bytes.size = done;  // a file that shrank while being read is read as far as it went
    return bytes;
}

}  // namespace inspect
