#include "tools/assetgen/AssetWriter.h"

#include <cmath>
#include <system_error>
#include <utility>

namespace assetgen {

namespace {

// Pixels for a side of `points` at `scale`, or -1 when that is not a whole number.
int pixelsFor(int points, double scale) {
    double pixels = points * scale;
    if (std::floor(pixels) != pixels) return -1;
    return static_cast<int>(pixels);
}

}  // namespace

AssetWriter::AssetWriter(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::string AssetWriter::write(const TextureSpec& texture, const ScaleVariant& variant) const {
    std::string fileName = std::string(texture.name) + variant.suffix + ".png";
    int width = pixelsFor(texture.width, variant.scale);
    int height = pixelsFor(texture.height, variant.scale);
    if (width <= 0 || height <= 0) return fileName + ": size is not a whole number of pixels";
    if (width > kMaxPixels || height > kMaxPixels) return fileName + ": larger than the texture limit";

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, variant.scale, variant.scale);
    texture.paint(cr);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return fileName + ": drawing failed: " + cairo_status_to_string(status);
    }

    std::filesystem::path target = folder_ / fileName;
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    status = cairo_surface_write_to_png(surface, temporary.c_str());
    cairo_surface_destroy(surface);
    std::error_code error;
    if (status != CAIRO_STATUS_SUCCESS) {
        std::filesystem::remove(temporary, error);
        return target.string() + ": cannot write: " + cairo_status_to_string(status);
    }
    return moveIntoPlace(temporary, target);
}

std::string AssetWriter::moveIntoPlace(const std::filesystem::path& temporary,
                                       const std::filesystem::path& target) {
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return target.string() + ": cannot move into place: " + error.message();
    }
    return {};
}

}  // namespace assetgen
