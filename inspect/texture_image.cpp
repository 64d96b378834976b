#include "texture_image.h"

#include <fcntl.h>
#include <stb_image.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace inspect {

namespace {

// Where a coordinate that repeats every `size` pixels falls, from 0 to size - 1.
int wrapped(float coordinate, int size) {
    if (!std::isfinite(coordinate)) return 0;
    const float fraction = coordinate - std::floor(coordinate);
    const int pixel = static_cast<int>(fraction * static_cast<float>(size));
    return pixel < size ? pixel : size - 1;
}

}  // namespace

void TextureImage::Free::operator()(std::uint8_t* pixels) const {
    stbi_image_free(pixels);
}

TextureImage::TextureImage(const std::string& path) {
    // Opened without waiting, so that a named pipe or a device cannot hold the preview up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_ = std::strerror(errno);
        return;
    }
    struct stat info;
    std::FILE* file = nullptr;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error_ = "not a regular file";
    } else if (!(file = fdopen(fd, "rb"))) {
        error_ = std::strerror(errno);
    }
    if (!file) {
        ::close(fd);
        return;
    }
    // The size the image declares, before any pixel is decoded.
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_file(file, &width, &height, &channels)) {
        error_ = stbi_failure_reason() ? stbi_failure_reason() : "unreadable";
    } else if (static_cast<long long>(width) * height > kMaxTexturePixels) {
        error_ = std::to_string(width) + "x" + std::to_string(height) +
                 " pixels, over the preview's limit of " + std::to_string(kMaxTexturePixels) +
                 " (8192x8192)";
    } else {
        pixels_.reset(stbi_load_from_file(file, &width_, &height_, &channels, 3));
        if (!pixels_) error_ = stbi_failure_reason() ? stbi_failure_reason() : "unreadable";
    }
    std::fclose(file);
}

void TextureImage::sample(float u, float v, float rgb[3]) const {
    const int column = wrapped(u, width_);
    const int row = height_ - 1 - wrapped(v, height_);
    const std::uint8_t* pixel =
        pixels_.get() + 3 * (static_cast<std::size_t>(row) * width_ + column);
    for (int c = 0; c < 3; ++c) rgb[c] = pixel[c] / 255.0f;
}

}  // namespace inspect
