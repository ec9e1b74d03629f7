#pragma once
#include <cairo.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tools/assetgen/TextureSpec.h"

namespace uiart {

// The pictures of the local ad server's house native ads (`tikoleap-uiart --native-images`):
// PNG files but for the content ad's image, which is a JPEG so that both kinds are served.
class NativeArt {
  public:
    // The PNG pictures, written by the asset writer as NAME.png.
    static std::vector<assetgen::TextureSpec> pictures();
    // The JPEG pictures, written by writeJpeg as NAME.jpg.
    static std::vector<assetgen::TextureSpec> jpegPictures();
    // Draws the picture and writes it as FOLDER/NAME.jpg (beside its name first, then renamed
    // into place); the problem, or empty on success.
    static std::string writeJpeg(const std::filesystem::path& folder, const assetgen::TextureSpec& picture);

    static void appIcon(cairo_t* cr);          // 64 x 64: the game's icon, the hero on a sky tile
    static void screenshotClimb(cairo_t* cr);  // 320 x 180: platforms climbing up a blue sky
    static void screenshotNight(cairo_t* cr);  // 320 x 180: the same at dusk
    static void contentImage(cairo_t* cr);     // 320 x 180: a sunny sky with clouds
    static void logo(cairo_t* cr);             // 40 x 40: a round green badge with a "T"
    static void poster(cairo_t* cr);           // 300 x 150: a banner-like poster
    static void adChoices(cairo_t* cr);        // 15 x 15: the badge's small "i" in a circle
};

}  // namespace uiart
