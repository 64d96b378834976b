// Writes an 8-bit RGB picture as a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace inspect {

struct RgbImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // rows from the top, three bytes per pixel
};

// Writes beside the path first and renames, so a failed write leaves no partial picture.
// Throws std::ios_base::failure naming the path.
void write_png(const RgbImage& image, const std::string& path);

}  // namespace inspect
