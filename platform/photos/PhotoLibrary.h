#pragma once
// The user's pictures as the app may add to them: a picture is decoded by platform::ImageDecoder
// (PNG, JPEG, GIF or BMP, at most kMaxSide pixels a side, its decoding work bounded), written
// anew as PNG under a name of our own in the user's pictures folder (XDG's, or DIR/Pictures under
// a home), and never over a file that is there, nor through a link. The bytes are someone else's: anything
// else is refused with a text. Decoding a big picture and writing it anew takes seconds: a caller on the main
// loop saves through saveImageAsync, which does the work on the library's own queue.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
class DispatchQueue;
}

namespace platform::photos {

class PhotoLibrary {
  public:
    static constexpr int kMaxSide = 4096;

    // DIR/Pictures under a home; else the desktop's pictures folder, or ~/Pictures without one.
    static std::filesystem::path picturesDirectory();
    // The path of the new file, or nothing with the reason in *error.
    static std::optional<std::filesystem::path> saveImage(std::string_view data, std::string* error);

    // The saved file's path, or nothing and the reason.
    using SaveCompletion =
        std::function<void(const std::optional<std::filesystem::path>& path, const std::string& error)>;
    // saveImage on queue(); `done` is called on the main queue.
    static void saveImageAsync(std::string data, SaveCompletion done);
    // The serial queue saves run on, one picture at a time.
    static const std::shared_ptr<DispatchQueue>& queue();
};

}  // namespace platform::photos
