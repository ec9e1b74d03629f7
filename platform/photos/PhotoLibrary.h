#pragma once
// The user's pictures as the app may add to them: a picture is decoded (PNG, JPEG, GIF, BMP or
// WebP, at most kMaxSide pixels a side), written anew as PNG under a name of our own in the
// user's pictures folder (XDG's, or DIR/Pictures under a home), and never over a file that is
// there, nor through a link. The bytes are someone else's: anything else is refused with a text.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::photos {

class PhotoLibrary {
  public:
    static constexpr int kMaxSide = 4096;

    // DIR/Pictures under a home; else the desktop's pictures folder, or ~/Pictures without one.
    static std::filesystem::path picturesDirectory();
    // The path of the new file, or nothing with the reason in *error.
    static std::optional<std::filesystem::path> saveImage(std::string_view data, std::string* error);
};

}  // namespace platform::photos
