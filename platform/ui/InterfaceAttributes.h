#pragma once
// The attributes of one view entry in an interface file, as views read them in loadAttributes.
// Every key read is marked; keys nobody read are reported by the loader as errors, so a
// misspelt attribute fails loudly instead of being ignored. Wrong value types fail too.
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>

#include "platform/geometry/Geometry.h"
#include "platform/image/Image.h"
#include "platform/ui/Color.h"

namespace platform::ui {

class UiResources;

class InterfaceAttributes {
  public:
    InterfaceAttributes(const nlohmann::json& node, std::string file, std::string path,
                        const UiResources* resources);

    const std::string& file() const { return file_; }
    // Where in the file this entry is, e.g. "root.subviews[2]".
    const std::string& path() const { return path_; }

    bool has(const std::string& key) const { return node_.contains(key); }
    std::optional<std::string> optString(const std::string& key);
    std::optional<float> optFloat(const std::string& key);
    std::optional<int> optInt(const std::string& key);
    std::optional<bool> optBool(const std::string& key);
    // [x, y, width, height]
    std::optional<Rect> optRect(const std::string& key);
    // [width, height]
    std::optional<Size> optSize(const std::string& key);
    // [r, g, b] or [r, g, b, a] in 0..1, or "#rrggbb" / "#rrggbbaa".
    std::optional<Color> optColor(const std::string& key);
    // {"state": "text", ...}
    std::optional<std::map<std::string, std::string>> optStringMap(const std::string& key);
    // An image of the resources by name; an unknown name fails with the name.
    std::shared_ptr<const Image> optImage(const std::string& key);
    // An image of the resources that may be missing (null then): the optional companion of a
    // named one.
    std::shared_ptr<const Image> findImage(const std::string& name) const;
    // The raw value (marked as read), null when absent.
    const nlohmann::json* raw(const std::string& key);

    // Keys present but never read.
    std::set<std::string> unreadKeys() const;
    [[noreturn]] void fail(const std::string& name, const std::string& what) const;

  private:
    const nlohmann::json& node_;
    std::string file_;
    std::string path_;
    const UiResources* resources_;
    std::set<std::string> read_;
};

}  // namespace platform::ui
