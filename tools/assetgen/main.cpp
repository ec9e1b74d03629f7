// tikoleap-assetgen <output folder>: draws every texture of the game, at every resolution, into
// the given folder. The same program always writes the same bytes.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/assetgen/AssetWriter.h"
#include "tools/assetgen/TextureCatalog.h"

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: tikoleap-assetgen <output folder>\n");
        return 2;
    }
    std::filesystem::path folder(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "tikoleap-assetgen: %s is not a usable folder%s%s\n", argv[1], error ? ": " : "",
                     error ? error.message().c_str() : "");
        return 1;
    }

    assetgen::AssetWriter writer(folder);
    int written = 0;
    int failed = 0;
    for (const auto& texture : assetgen::TextureCatalog::textures()) {
        for (const auto& variant : assetgen::TextureCatalog::variants()) {
            std::string problem = writer.write(texture, variant);
            if (problem.empty()) {
                ++written;
            } else {
                std::fprintf(stderr, "tikoleap-assetgen: %s\n", problem.c_str());
                ++failed;
            }
        }
    }
    // Drop Cairo's and Fontconfig's caches so leak checkers see a clean exit.
    cairo_debug_reset_static_data();
    FcFini();
    if (failed > 0) return 1;
    std::printf("tikoleap-assetgen: %d textures in %s\n", written, folder.c_str());
    return 0;
}
