#include "texture_image.h"

#include <stb_image.h>

#include <cmath>

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
    int channels = 0;
    pixels_.reset(stbi_load(path.c_str(), &width_, &height_, &channels, 3));
    if (!pixels_) error_ = stbi_failure_reason() ? stbi_failure_reason() : "unreadable";
}

void TextureImage::sample(float u, float v, float rgb[3]) const {
    const int column = wrapped(u, width_);
    const int row = height_ - 1 - wrapped(v, height_);
    const std::uint8_t* pixel =
        pixels_.get() + 3 * (static_cast<std::size_t>(row) * width_ + column);
    for (int c = 0; c < 3; ++c) rgb[c] = pixel[c] / 255.0f;
}

}  // namespace inspect
