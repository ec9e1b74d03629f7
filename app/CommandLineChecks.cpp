#include "app/CommandLineChecks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "app/MyAppCore.h"
#include "platform/foundation/FileIO.h"
#include "platform/foundation/ResourceFileError.h"
#include "platform/image/Image.h"
#include "platform/image/PngCodec.h"
#include "platform/ui/InterfaceFileError.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/UiResources.h"
#include "shell/TextureVariant.h"

namespace fs = std::filesystem;

namespace {

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

// What path names once links are followed: its mode, nothing when nothing is there, or an error
// when the path cannot be looked at (a folder on the way is a file, a name is too long, a loop).
std::optional<mode_t> modeOf(const std::string& path, std::string* error) {
    const std::optional<fs::path> target = platform::resolveLinks(path, error);
    if (!target) return std::nullopt;
    struct stat st {};
    if (::stat(target->c_str(), &st) != 0) {
        if (errno != ENOENT) *error = std::strerror(errno);
        return std::nullopt;
    }
    return st.st_mode;
}

// A file that is not there yet needs a folder it can be made in.
std::optional<std::string> unwritableFolderOf(const std::string& path) {
    std::string error;
    const std::optional<fs::path> target = platform::resolveLinks(path, &error);
    if (!target) return error;
    fs::path folder = target->parent_path();
    if (folder.empty()) folder = ".";
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return "its folder " + folder.string() + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "its folder " + folder.string() + " is not a folder";
    if (::access(folder.c_str(), W_OK) != 0) return "its folder " + folder.string() + " is not writable";
    return std::nullopt;
}

bool isFrameName(const std::string& name) {
    return name.rfind("frame-", 0) == 0 && name.size() > 10 && name.compare(name.size() - 4, 4, ".png") == 0;
}

// Every name a picture file is looked up by: "<stem>" and "<stem>.png".
void standInFor(platform::ui::UiResources& resources, const fs::path& picture,
                const std::shared_ptr<const platform::Image>& standIn) {
    resources.addImage(picture.stem().string(), standIn);
    resources.addImage(picture.filename().string(), standIn);
}

// The screens' interface files and the pictures beside them, read as the screens read them: a
// damaged one would otherwise end the run when its screen first shows. A picture is judged whole
// by its chunks' checksums and its header, and its pixels are left to the screen that shows it:
// decoding every picture here cost each start tens of milliseconds and left megabytes resident.
// The interface files therefore meet each judged picture as a one-pixel stand-in. `textures` are
// the resources folder's pictures the texture check has judged.
std::optional<std::string> checkInterfaceFiles(const std::string& folder,
                                               const std::vector<fs::path>& textures) {
    const fs::path ui = fs::path(folder) / "ui";
    std::vector<fs::path> pictures, interfaces;
    std::error_code ec;
    for (fs::directory_iterator it(ui, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string extension = it->path().extension().string();
        if (extension == ".png") pictures.push_back(it->path());
        if (extension == ".json") interfaces.push_back(it->path());
    }
    std::sort(pictures.begin(), pictures.end());
    std::sort(interfaces.begin(), interfaces.end());
    for (const fs::path& picture : pictures) {
        std::string reason;
        if (!platform::PngCodec::verify(picture.string(), &reason))
            return "interface picture unreadable in " + ui.string() + ": " + reason;
    }
    auto resources = std::make_shared<platform::ui::UiResources>(std::vector<fs::path>{ui, fs::path(folder)});
    auto standIn = std::make_shared<platform::Image>();
    standIn->width = standIn->height = 1;
    standIn->content = platform::Image::Content::RGBAPremultiplied;
    standIn->pixels.assign(4, 0);
    // The interface folder's pictures come first when the screens look a name up.
    for (const fs::path& texture : textures) standInFor(*resources, texture, standIn);
    for (const fs::path& picture : pictures) standInFor(*resources, picture, standIn);
    const platform::ui::InterfaceLoader loader(resources);
    for (const fs::path& interface : interfaces) {
        try {
            loader.loadFile(interface);
        } catch (const platform::ui::InterfaceFileError& e) {
            return "interface file unusable in " + ui.string() + ": " + e.what();
        } catch (const platform::ResourceFileError& e) {
            return "interface picture unreadable in " + ui.string() + ": " + e.what();
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<PathProblem> checkOutputFile(const std::string& option, const std::string& path) {
    std::string error;
    const std::optional<mode_t> mode = modeOf(path, &error);
    if (!error.empty())
        return PathProblem{1, option + " " + path + ": cannot be written there (" + error + ")"};
    if (mode && !S_ISREG(*mode))
        return PathProblem{2, option + " " + path + ": exists and is " + kindOf(*mode) + ", not a file"};
    if (!mode) {
        if (auto folder = unwritableFolderOf(path))
            return PathProblem{1, option + " " + path + ": cannot be written there (" + *folder + ")"};
    }
    return std::nullopt;
}

std::optional<PathProblem> checkFramesFolder(const std::string& path) {
    std::string error;
    const std::optional<mode_t> mode = modeOf(path, &error);
    if (!error.empty())
        return PathProblem{1, "--frames-dir " + path + ": cannot be written there (" + error + ")"};
    if (!mode) return std::nullopt;  // made by the run, which says so when it cannot
    if (!S_ISDIR(*mode)) return PathProblem{2, "--frames-dir " + path + ": exists and is not a folder"};
    std::error_code ec;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!isFrameName(name)) continue;
        if (auto problem = checkOutputFile("--frames-dir", it->path().string())) return problem;
    }
    return std::nullopt;
}

std::optional<std::string> checkResources(const std::string& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return "the resources folder " + folder + " is missing";
    if (fs::is_empty(folder, ec)) return "the resources folder " + folder + " is empty";
    std::vector<std::string> missing;
    std::vector<fs::path> textures;
    std::string firstReason;
    for (const std::string& name : MyAppCore::textureNames()) {
        // Each contents scale picks its own file: the window and the headless run use different ones.
        for (int scale = 1; scale <= 3; ++scale) {
            const std::optional<TextureVariant> variant = TextureVariant::find(folder, name, scale);
            std::string reason;
            // A whole file is enough here: decoding every variant made each start pay for all three.
            if (variant && platform::PngCodec::verify(variant->path, &reason)) {
                textures.push_back(variant->path);
                continue;
            }
            missing.push_back(name);
            if (firstReason.empty()) firstReason = variant ? reason : "no " + name + ".png";
            break;
        }
    }
    if (missing.empty()) return checkInterfaceFiles(folder, textures);
    std::string list;
    for (const std::string& name : missing) list += (list.empty() ? "" : ", ") + name;
    return "textures missing or unreadable in " + folder + ": " + list + " (" + firstReason + ")";
}

std::optional<PathProblem> checkCommandLinePaths(const CommandLine& options) {
    if (options.screenshot) {
        if (auto problem = checkOutputFile("--screenshot", *options.screenshot)) return problem;
    }
    if (options.framesDir) {
        if (auto problem = checkFramesFolder(*options.framesDir)) return problem;
    }
    if (options.soundOut) {
        if (auto problem = checkOutputFile("--sound-out", *options.soundOut)) return problem;
    }
    if (auto problem = checkResources(options.resources)) return PathProblem{1, *problem};
    return std::nullopt;
}
