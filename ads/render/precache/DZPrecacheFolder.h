#pragma once
// Where precached media lives, and the one way back into it: precache downloads go into fresh
// folders under the SDK's temporary directory, and a page may hand such a file back (to the video
// player) only as a `file:` URL naming a regular file that, with every link followed, still lies
// inside that directory.
#include <filesystem>
#include <optional>
#include <string>

class DZPrecacheFolder {
  public:
    // The SDK's temporary directory, made first when `create`.
    static std::filesystem::path path(bool create);
    // The file a `file:` URL names (local host only), links resolved, when it is a regular file
    // inside path(); nothing otherwise.
    static std::optional<std::filesystem::path> fileInside(const std::string& fileURL);
};
