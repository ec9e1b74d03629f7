#pragma once
// Reads our JSON interface files into view trees. A file looks like
//   { "root": VIEW, "extraViews": [VIEW, ...] }
//   VIEW = { "class": "Button", "frame": [x, y, w, h], "tag": 3, ...attributes...,
//            "outlet": "startBtn", "actions": { "touchUpInside": "onStartBtn" },
//            "subviews": [VIEW, ...] }
// "extraViews" are views kept outside the root's tree (reached through their outlets). Every
// key must be understood: an unknown class, attribute, control event or image, a duplicate
// outlet, or malformed JSON throws InterfaceFileError naming the file and the culprit.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::ui {

class Control;
class UiResources;
class View;

struct LoadedInterface {
    struct ActionBinding {
        std::shared_ptr<Control> control;
        std::uint32_t events = 0;
        std::string action;
    };

    std::string file;
    std::shared_ptr<View> root;
    std::vector<std::shared_ptr<View>> extraViews;
    std::vector<std::pair<std::string, std::shared_ptr<View>>> outlets;
    std::vector<ActionBinding> actions;
};

class InterfaceLoader {
  public:
    using Factory = std::function<std::shared_ptr<View>()>;

    explicit InterfaceLoader(std::shared_ptr<const UiResources> resources);

    // The file "<name>.json" from the resource folders.
    LoadedInterface loadNamed(const std::string& name) const;
    LoadedInterface loadFile(const std::filesystem::path& path) const;
    // `fileLabel` names the source in errors.
    LoadedInterface loadString(const std::string& json, const std::string& fileLabel) const;

    // Makes a view class available to interface files under `name` (the built-in toolkit
    // classes are always there). Registering a name again replaces its factory.
    static void registerClass(const std::string& name, Factory factory);
    static bool isClassRegistered(const std::string& name);

    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr int kMaxDepth = 64;

  private:
    std::shared_ptr<const UiResources> resources_;
};

}  // namespace platform::ui
