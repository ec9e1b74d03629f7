// tikoleap-uiart <output folder>: draws the pictures of the screens into the given folder. The
// same program always writes the same bytes.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/assetgen/AssetWriter.h"
#include "tools/uiart/ScreenArt.h"

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: tikoleap-uiart <output folder>\n");
        return 2;
    }
    std::filesystem::path folder(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "tikoleap-uiart: %s is not a usable folder\n", argv[1]);
        return 1;
    }
    assetgen::AssetWriter writer(folder);
    int failed = 0;
    const auto pictures = uiart::ScreenArt::pictures();
    for (const auto& pic : pictures) {
        const std::string problem = writer.write(pic, uiart::ScreenArt::kVariant);
        if (!problem.empty()) {
            std::fprintf(stderr, "tikoleap-uiart: %s\n", problem.c_str());
            ++failed;
        }
    }
    // Drop Cairo's and Fontconfig's caches so leak checkers see a clean exit.
    cairo_debug_reset_static_data();
    FcFini();
    if (failed > 0) return 1;
    std::printf("tikoleap-uiart: %zu pictures in %s\n", pictures.size(), folder.c_str());
    return 0;
}
