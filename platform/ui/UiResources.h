#pragma once
// Where the toolkit finds interface files ("<name>.json") and images ("<name>" or
// "<name>.png") by name: a list of resource folders searched in order, plus images registered
// by code. Decoded images are cached and shared.
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/image/Image.h"

namespace platform::ui {

class UiResources {
  public:
    explicit UiResources(std::vector<std::filesystem::path> directories = {});

    const std::vector<std::filesystem::path>& directories() const { return dirs_; }
    // The interface file of that name; empty when no folder has it.
    std::filesystem::path interfacePath(const std::string& name) const;
    // The image of that name; null when it is missing. A PNG file of that name that does not
    // decode throws ResourceFileError naming it.
    std::shared_ptr<const Image> image(const std::string& name) const;
    // The image of that name drawn for `scale` pixels per point: its "_cs150" or "_cs200" variant
    // (the smallest that is at least as sharp, else the sharpest there is), the plain image when
    // there is no variant or the scale is 1. For images drawn into a rectangle of fixed points.
    std::shared_ptr<const Image> imageForScale(const std::string& name, float scale) const;
    void addImage(const std::string& name, std::shared_ptr<const Image> image);

    // The resources the application installed (an empty set until then).
    static std::shared_ptr<UiResources> shared();
    static void setShared(std::shared_ptr<UiResources> resources);

  private:
    std::vector<std::filesystem::path> dirs_;
    // The image cache: filled by const look-ups. Views look images up on the main thread; the
    // shared set is reachable from any thread, so the cache keeps its lock.
    mutable std::mutex mutex_;
    mutable std::map<std::string, std::shared_ptr<const Image>> images_;
};

}  // namespace platform::ui
