#pragma once
// The app's own folders. Normally they follow the XDG base directories:
//   Documents  $XDG_DATA_HOME/tikoleap/Documents   (XDG_DATA_HOME defaults to ~/.local/share)
//   Library    $XDG_DATA_HOME/tikoleap/Library     (private: keychain file, user defaults)
//   Caches     $XDG_CACHE_HOME/tikoleap            (XDG_CACHE_HOME defaults to ~/.cache)
//   temporary  ${TMPDIR:-/tmp}/tikoleap-<uid>
// A process-wide home (set by --home DIR, and by tests) roots all four under DIR instead:
// DIR/Documents, DIR/Library, DIR/Caches, DIR/tmp. Each folder is created, mode 0700, the first
// time it is asked for; a folder that cannot be created is still returned, and the file
// operations in it then report the failure.
#include <filesystem>
#include <optional>

namespace platform {

class AppPaths {
  public:
    static std::filesystem::path documentsDirectory();
    static std::filesystem::path libraryDirectory();
    static std::filesystem::path cachesDirectory();
    static std::filesystem::path temporaryDirectory();

    // Roots every folder under dir (made absolute); an empty path goes back to the XDG folders.
    static void setHome(const std::filesystem::path& dir);
    static std::optional<std::filesystem::path> home();
};

}  // namespace platform
