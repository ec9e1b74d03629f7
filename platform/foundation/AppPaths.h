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
#include <string>
#include <utility>
#include <vector>

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

    // Libraries keep caches of their own (the GL library's compiled shaders, font and media
    // registries) in the XDG cache folder, or in ~/.cache when it is unset; this points them at the
    // home's Caches folder (the GL library's shader cache explicitly, as it finds the home folder
    // without $HOME). Call once a home is set and before any other thread or library starts.
    static void keepLibraryCachesInHome();
    // The variables that call changed, each with the value it had (nothing: it was unset), so
    // that programs launched for the desktop (the browser) get the user's own.
    static std::vector<std::pair<std::string, std::optional<std::string>>> changedEnvironment();

    // The folders the app owns: the home when one is set, else its XDG data and cache folders and
    // its temporary folder. Not created by asking.
    static std::vector<std::filesystem::path> ownFolders();
    // Whether path, with every link in it followed (a missing end is fine), lies inside one of them.
    static bool holds(const std::filesystem::path& path);
    // Whether path, as written (links not followed), names something inside one of them.
    static bool namesInside(const std::filesystem::path& path);
};

}  // namespace platform
