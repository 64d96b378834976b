// A texture image (PNG, JPEG and the other formats stb_image reads) sampled with wrapping
// texture coordinates.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace inspect {

// Images of more pixels than this are not loaded: one takes 3 bytes a pixel, and a small
// file can declare a huge image.
constexpr long long kMaxTexturePixels = 64LL << 20;  // 8192 x 8192, 192 MB

class TextureImage {
  public:
    // Loads the file as 8-bit RGB; on failure the image is empty and `error` says why. Only
    // regular files are read, and only images of at most kMaxTexturePixels.
    explicit TextureImage(const std::string& path);

    bool loaded() const { return pixels_ != nullptr; }
    const std::string& error() const { return error_; }
    // The colour at (u, v), each channel 0 to 1: the nearest pixel, the image repeated in
    // both directions, v counted up from the bottom row.
    void sample(float u, float v, float rgb[3]) const;

  private:
    struct Free {
        void operator()(std::uint8_t* pixels) const;
    };
    std::unique_ptr<std::uint8_t, Free> pixels_;
    int width_ = 0, height_ = 0;
    std::string error_;
};

}  // namespace inspect
