#pragma once
#include <filesystem>
#include <string>

#include "tools/assetgen/TextureSpec.h"

namespace assetgen {

// Paints one texture at one resolution and stores it as "<name><suffix>.png" in the output folder.
// The file is written beside its final name first and renamed into place, so an interrupted run
// never leaves a truncated picture behind.
class AssetWriter {
  public:
    explicit AssetWriter(std::filesystem::path folder);

    // Returns an empty string on success, otherwise what went wrong.
    std::string write(const TextureSpec& texture, const ScaleVariant& variant) const;

    // Renames a written file onto its final name, removing it when that fails; empty on success,
    // otherwise what went wrong.
    static std::string moveIntoPlace(const std::filesystem::path& temporary,
                                     const std::filesystem::path& target);

    // The largest side a texture may have in pixels; larger pictures would be shrunk on loading.
    static constexpr int kMaxPixels = 1024;

  private:
    std::filesystem::path folder_;
};

}  // namespace assetgen
