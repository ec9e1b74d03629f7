#include "platform/ui/UiResources.h"

#include "platform/foundation/ResourceFileError.h"
#include "platform/image/PngCodec.h"

namespace platform::ui {

namespace {
std::mutex gSharedMutex;
std::shared_ptr<UiResources> gShared;

// A resource name is a plain file name: no folders, no way out of the resource folder.
bool isPlainName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
           name != "." && name != "..";
}
}  // namespace

UiResources::UiResources(std::vector<std::filesystem::path> directories) : dirs_(std::move(directories)) {}

std::filesystem::path UiResources::interfacePath(const std::string& name) const {
    if (!isPlainName(name)) return {};
    for (const auto& dir : dirs_) {
        auto p = dir / (name + ".json");
        std::error_code ec;
        if (std::filesystem::is_regular_file(p, ec)) return p;
    }
    return {};
}

std::shared_ptr<const Image> UiResources::image(const std::string& name) const {
    if (!isPlainName(name)) return nullptr;
    std::lock_guard lock(mutex_);
    if (auto it = images_.find(name); it != images_.end()) return it->second;
    const bool hasExtension = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
    for (const auto& dir : dirs_) {
        for (const auto& file :
             hasExtension ? std::vector<std::string>{name} : std::vector<std::string>{name + ".png", name}) {
            std::error_code ec;
            const auto p = dir / file;
            if (!std::filesystem::is_regular_file(p, ec)) continue;
            std::string error;
            auto decoded = loadPng(p.string(), &error);
            if (!decoded || !decoded->hasBitmap()) {
                // A picture file of the resources that does not decode is damage, not absence.
                if (p.extension() == ".png") throw ResourceFileError(p.string(), error);
                continue;
            }
            auto img = std::make_shared<const Image>(std::move(*decoded));
            images_[name] = img;
            return img;
        }
    }
    return nullptr;
}

std::shared_ptr<const Image> UiResources::imageForScale(const std::string& name, float scale) const {
    if (scale > 1.0f && isPlainName(name)) {
        const bool hasExtension = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
        const std::string stem = hasExtension ? name.substr(0, name.size() - 4) : name;
        // Sharper first when the scale asks for more than 1.5; a variant finer than needed is
        // scaled down, which looks better than a coarser one scaled up.
        const char* const order[] = {scale <= 1.5f ? "_cs150" : "_cs200",
                                     scale <= 1.5f ? "_cs200" : "_cs150"};
        for (const char* suffix : order) {
            if (auto img = image(stem + suffix + ".png")) return img;
        }
    }
    return image(name);
}

void UiResources::addImage(const std::string& name, std::shared_ptr<const Image> image) {
    std::lock_guard lock(mutex_);
    images_[name] = std::move(image);
}

std::shared_ptr<UiResources> UiResources::shared() {
    std::lock_guard lock(gSharedMutex);
    if (!gShared) gShared = std::make_shared<UiResources>();
    return gShared;
}

void UiResources::setShared(std::shared_ptr<UiResources> resources) {
    std::lock_guard lock(gSharedMutex);
    gShared = std::move(resources);
}

}  // namespace platform::ui
