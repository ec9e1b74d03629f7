// tikoleap-uiart <output folder>: draws the pictures of the screens into the given folder.
// tikoleap-uiart --ad-images <output folder>: draws the ad component's pictures there instead,
// at 1x and "@2x", for embedding in its code.
// tikoleap-uiart --native-images <output folder>: draws the local ad server's native ad pictures
// there. The same program always writes the same bytes.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "tools/assetgen/AssetWriter.h"
#include "tools/uiart/AdArt.h"
#include "tools/uiart/NativeArt.h"
#include "tools/uiart/ScreenArt.h"

int main(int argc, char** argv) {
    const bool adImages = argc == 3 && std::string_view(argv[1]) == "--ad-images";
    const bool nativeImages = argc == 3 && std::string_view(argv[1]) == "--native-images";
    if ((argc != 2 && !adImages && !nativeImages) || argv[argc - 1][0] == '\0') {
        std::fprintf(stderr, "usage: tikoleap-uiart [--ad-images | --native-images] <output folder>\n");
        return 2;
    }
    std::filesystem::path folder(argv[argc - 1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "tikoleap-uiart: %s is not a usable folder\n", argv[argc - 1]);
        return 1;
    }
    assetgen::AssetWriter writer(folder);
    int failed = 0;
    const auto pictures = adImages       ? uiart::AdArt::pictures()
                          : nativeImages ? uiart::NativeArt::pictures()
                                         : uiart::ScreenArt::pictures();
    const std::vector<assetgen::ScaleVariant> variants =
        adImages       ? std::vector<assetgen::ScaleVariant>{{"", 1.0}, {"@2x", 2.0}}
        : nativeImages ? std::vector<assetgen::ScaleVariant>{{"", 1.0}}
                       : std::vector<assetgen::ScaleVariant>{uiart::ScreenArt::kVariant};
    for (const auto& pic : pictures) {
        for (const auto& variant : variants) {
            const std::string problem = writer.write(pic, variant);
            if (!problem.empty()) {
                std::fprintf(stderr, "tikoleap-uiart: %s\n", problem.c_str());
                ++failed;
            }
        }
    }
    const auto jpegs = nativeImages ? uiart::NativeArt::jpegPictures() : std::vector<assetgen::TextureSpec>{};
    for (const auto& pic : jpegs) {
        const std::string problem = uiart::NativeArt::writeJpeg(folder, pic);
        if (!problem.empty()) {
            std::fprintf(stderr, "tikoleap-uiart: %s\n", problem.c_str());
            ++failed;
        }
    }
    // Drop Cairo's and Fontconfig's caches so leak checkers see a clean exit.
    cairo_debug_reset_static_data();
    FcFini();
    if (failed > 0) return 1;
    std::printf("tikoleap-uiart: %zu pictures in %s\n", pictures.size() + jpegs.size(), folder.c_str());
    return 0;
}
