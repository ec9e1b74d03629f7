#include "app/CommandLineChecks.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/foundation/FileIO.h"
#include "platform/image/PngCodec.h"
#include "shell/MyAppCore.h"
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

// The kind of whatever path names once links are followed; nothing when nothing is there.
std::optional<mode_t> modeOf(const std::string& path, std::string* error) {
    const std::optional<fs::path> target = platform::resolveLinks(path, error);
    if (!target) return mode_t{0};
    struct stat st {};
    if (::stat(target->c_str(), &st) != 0) return std::nullopt;
    return st.st_mode;
}

bool isFrameName(const std::string& name) {
    return name.rfind("frame-", 0) == 0 && name.size() > 10 && name.compare(name.size() - 4, 4, ".png") == 0;
}

}  // namespace

std::optional<std::string> checkOutputFile(const std::string& option, const std::string& path) {
    std::string error;
    const std::optional<mode_t> mode = modeOf(path, &error);
    if (!error.empty()) return option + " " + path + ": " + error;
    if (mode && !S_ISREG(*mode))
        return option + " " + path + ": exists and is " + kindOf(*mode) + ", not a file";
    return std::nullopt;
}

std::optional<std::string> checkFramesFolder(const std::string& path) {
    std::string error;
    const std::optional<mode_t> mode = modeOf(path, &error);
    if (!error.empty()) return "--frames-dir " + path + ": " + error;
    if (!mode) return std::nullopt;
    if (!S_ISDIR(*mode)) return "--frames-dir " + path + ": exists and is not a folder";
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
    std::string firstReason;
    for (const std::string& name : MyAppCore::textureNames()) {
        // Each contents scale picks its own file: the window and the headless run use different ones.
        for (int scale = 1; scale <= 3; ++scale) {
            const std::optional<TextureVariant> variant = TextureVariant::find(folder, name, scale);
            std::string reason;
            // A whole file is enough here: decoding every variant made each start pay for all three.
            if (variant && platform::PngCodec::verify(variant->path, &reason)) continue;
            missing.push_back(name);
            if (firstReason.empty()) firstReason = variant ? reason : "no " + name + ".png";
            break;
        }
    }
    if (missing.empty()) return std::nullopt;
    std::string list;
    for (const std::string& name : missing) list += (list.empty() ? "" : ", ") + name;
    return "textures missing or unreadable in " + folder + ": " + list + " (" + firstReason + ")";
}

std::optional<PathProblem> checkCommandLinePaths(const CommandLine& options) {
    if (options.screenshot) {
        if (auto problem = checkOutputFile("--screenshot", *options.screenshot))
            return PathProblem{2, *problem};
    }
    if (options.framesDir) {
        if (auto problem = checkFramesFolder(*options.framesDir)) return PathProblem{2, *problem};
    }
    if (options.soundOut) {
        if (auto problem = checkOutputFile("--sound-out", *options.soundOut)) return PathProblem{2, *problem};
    }
    if (auto problem = checkResources(options.resources)) return PathProblem{1, *problem};
    return std::nullopt;
}
