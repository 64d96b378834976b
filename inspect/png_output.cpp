#include "png_output.h"

#include <stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <ios>
#include <system_error>

namespace inspect {

void write_png(const RgbImage& image, const std::string& path) {
    const std::string partial = path + ".partial";
    // The least effort, rows unfiltered: pictures of flat colours come out no larger, in half
    // the time.
    stbi_write_png_compression_level = 1;
    stbi_write_force_png_filter = 0;
    errno = 0;
    if (!stbi_write_png(partial.c_str(), image.width, image.height, 3, image.rgb.data(),
                        3 * image.width) ||
        std::rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno ? errno : EIO;
        std::remove(partial.c_str());
        throw std::ios_base::failure("cannot write " + path,
                                     std::error_code(error, std::generic_category()));
    }
}

}  // namespace inspect
