#include "tools/uiart/NativeArt.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <memory>
#include <system_error>
#include <vector>

#include "tools/assetgen/AssetWriter.h"
#include "tools/assetgen/BlockArt.h"
#include "tools/assetgen/HeroArt.h"
#include "tools/assetgen/Paint.h"

namespace uiart {

using assetgen::Paint;

namespace {

void sky(cairo_t* cr, double width, double height, std::uint32_t top, std::uint32_t bottom) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, height);
    Paint::stop(gradient, 0, top);
    Paint::stop(gradient, 1, bottom);
    cairo_set_source(cr, gradient);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);
}

void cloud(cairo_t* cr, double x, double y, double size, double alpha) {
    Paint::color(cr, 0xFFFFFF, alpha);
    Paint::circle(cr, x, y, size);
    Paint::circle(cr, x + size, y - size * 0.4, size * 1.2);
    Paint::circle(cr, x + size * 2.1, y, size * 0.9);
    cairo_fill(cr);
}

// A platform of the game at (x, y), half as large again as the game draws it (28 x 16).
void platform(cairo_t* cr, double x, double y) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, 1.5, 1.5);
    assetgen::BlockArt::normal(cr);
    cairo_restore(cr);
}

void hero(cairo_t* cr, double x, double y, double scale) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    assetgen::HeroArt::lookingRight(cr);
    cairo_restore(cr);
}

void climb(cairo_t* cr, std::uint32_t top, std::uint32_t bottom) {
    sky(cr, 320, 180, top, bottom);
    cloud(cr, 30, 40, 12, 0.8);
    cloud(cr, 220, 70, 10, 0.6);
    platform(cr, 20, 150);
    platform(cr, 120, 110);
    platform(cr, 220, 70);
    platform(cr, 130, 30);
    hero(cr, 136, 62, 0.8);
}

}  // namespace

std::vector<assetgen::TextureSpec> NativeArt::pictures() {
    return {assetgen::TextureSpec{"icon", 64, 64, &NativeArt::appIcon},
            assetgen::TextureSpec{"image1", 320, 180, &NativeArt::screenshotClimb},
            assetgen::TextureSpec{"image2", 320, 180, &NativeArt::screenshotNight},
            assetgen::TextureSpec{"logo", 40, 40, &NativeArt::logo},
            assetgen::TextureSpec{"poster", 300, 150, &NativeArt::poster},
            assetgen::TextureSpec{"adchoices", 15, 15, &NativeArt::adChoices}};
}

std::vector<assetgen::TextureSpec> NativeArt::jpegPictures() {
    return {assetgen::TextureSpec{"content", 320, 180, &NativeArt::contentImage}};
}

std::string NativeArt::writeJpeg(const std::filesystem::path& folder, const assetgen::TextureSpec& picture) {
    const std::filesystem::path target = folder / (std::string(picture.name) + ".jpg");
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
    cairo_t* cr = cairo_create(surface);
    picture.paint(cr);
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return target.string() + ": drawing failed: " + cairo_status_to_string(status);
    }
    // Cairo keeps a pixel as one native-endian word, 0xXXRRGGBB; the encoder takes R, G, B bytes.
    const int width = picture.width;
    const int height = picture.height;
    std::vector<guchar> rgb(static_cast<std::size_t>(width) * height * 3);
    const unsigned char* rows = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(rows + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            guchar* out = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            out[0] = static_cast<guchar>(row[x] >> 16);
            out[1] = static_cast<guchar>(row[x] >> 8);
            out[2] = static_cast<guchar>(row[x]);
        }
    }
    cairo_surface_destroy(surface);
    std::unique_ptr<GdkPixbuf, decltype(&g_object_unref)> pixbuf(
        gdk_pixbuf_new_from_data(rgb.data(), GDK_COLORSPACE_RGB, FALSE, 8, width, height, width * 3, nullptr,
                                 nullptr),
        g_object_unref);
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    GError* failure = nullptr;
    if (!gdk_pixbuf_save(pixbuf.get(), temporary.c_str(), "jpeg", &failure, "quality", "90", nullptr)) {
        std::string why = failure && failure->message ? failure->message : "unknown";
        if (failure) g_error_free(failure);
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return target.string() + ": cannot write: " + why;
    }
    return assetgen::AssetWriter::moveIntoPlace(temporary, target);
}

void NativeArt::appIcon(cairo_t* cr) {
    Paint::roundedRect(cr, 0, 0, 64, 64, 12);
    cairo_clip(cr);
    sky(cr, 64, 64, 0x3FA9F5, 0xBDE6FF);
    cloud(cr, 8, 50, 7, 0.9);
    hero(cr, 16, 10, 1.0);
}

void NativeArt::screenshotClimb(cairo_t* cr) {
    climb(cr, 0x3FA9F5, 0xBDE6FF);
}

void NativeArt::screenshotNight(cairo_t* cr) {
    climb(cr, 0x1B1F4A, 0xE07A5F);
}

void NativeArt::contentImage(cairo_t* cr) {
    sky(cr, 320, 180, 0x5BC0F8, 0xE8F7FF);
    Paint::color(cr, 0xFFD34E);
    Paint::circle(cr, 270, 40, 24);
    cairo_fill(cr);
    cloud(cr, 20, 70, 16, 0.95);
    cloud(cr, 140, 120, 20, 0.9);
    cloud(cr, 230, 150, 12, 0.85);
}

void NativeArt::logo(cairo_t* cr) {
    Paint::circle(cr, 20, 20, 19);
    Paint::color(cr, 0x2EAD5B);
    cairo_fill(cr);
    Paint::color(cr, 0xFFFFFF);
    cairo_rectangle(cr, 10, 9, 20, 5);
    cairo_rectangle(cr, 17.5, 9, 5, 22);
    cairo_fill(cr);
}

void NativeArt::poster(cairo_t* cr) {
    sky(cr, 300, 150, 0xE0007A, 0xFF7AB8);
    cloud(cr, 20, 120, 14, 0.5);
    cloud(cr, 200, 40, 12, 0.4);
    platform(cr, 40, 110);
    platform(cr, 180, 80);
    hero(cr, 196, 22, 1.0);
}

void NativeArt::adChoices(cairo_t* cr) {
    Paint::circle(cr, 7.5, 7.5, 6.5);
    Paint::color(cr, 0x00AECD);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    Paint::circle(cr, 7.5, 4.5, 1.1);
    cairo_fill(cr);
    cairo_rectangle(cr, 6.7, 6.5, 1.6, 5);
    cairo_fill(cr);
}

}  // namespace uiart
