#include "platform/ui/InterfaceAttributes.h"

#include <cstdlib>

#include "platform/ui/InterfaceFileError.h"
#include "platform/ui/UiResources.h"

namespace platform::ui {

using nlohmann::json;

InterfaceAttributes::InterfaceAttributes(const json& node, std::string file, std::string path,
                                         const UiResources* resources)
    : node_(node), file_(std::move(file)), path_(std::move(path)), resources_(resources) {}

void InterfaceAttributes::fail(const std::string& name, const std::string& what) const {
    throw InterfaceFileError(file_, name, path_ + ": " + what);
}

const json* InterfaceAttributes::raw(const std::string& key) {
    auto it = node_.find(key);
    if (it == node_.end()) return nullptr;
    read_.insert(key);
    return &*it;
}

std::optional<std::string> InterfaceAttributes::optString(const std::string& key) {
    const json* v = raw(key);
    if (!v) return std::nullopt;
    if (!v->is_string()) fail(key, "expected a string for");
    return v->get<std::string>();
}

std::optional<float> InterfaceAttributes::optFloat(const std::string& key) {
    const json* v = raw(key);
    if (!v) return std::nullopt;
    if (!v->is_number()) fail(key, "expected a number for");
    return v->get<float>();
}

std::optional<int> InterfaceAttributes::optInt(const std::string& key) {
    const json* v = raw(key);
    if (!v) return std::nullopt;
    if (!v->is_number_integer()) fail(key, "expected an integer for");
    const auto n = v->get<long long>();
    if (n < -2147483647LL || n > 2147483647LL) fail(key, "integer out of range for");
    return static_cast<int>(n);
}

std::optional<bool> InterfaceAttributes::optBool(const std::string& key) {
    const json* v = raw(key);
    if (!v) return std::nullopt;
    if (!v->is_boolean()) fail(key, "expected true or false for");
    return v->get<bool>();
}

namespace {
bool numbers(const json& v, std::size_t count) {
    if (!v.is_array() || v.size() != count) return false;
    for (const auto& e : v) {
        if (!e.is_number()) return false;
    }
    return true;
}
}  // namespace

std::optional<Rect> InterfaceAttributes::optRect(const std::string& key) {
    const json* v = raw(key);
    if (!v) return std::nullopt;
    if (!numbers(*v, 4)) fail(key, "expected [x, y, width, height] for");
    const Rect r{(*v)[0].get<float>(), (*v)[1].get<float>(), (*v)[2].get<float>(), (*v)[3].get<float>()};
    if (r.size.width < 0 || r.size.height < 0) fail(key, "negative size in");
    return r;
}

std::optional<Size> InterfaceAttributes::optSize(const std::string& key) {
    const json* v = raw(key);
    if (!v) return std::nullopt;
    if (!numbers(*v, 2)) fail(key, "expected [width, height] for");
    const Size s{(*v)[0].get<float>(), (*v)[1].get<float>()};
    if (s.width < 0 || s.height < 0) fail(key, "negative size in");
    return s;
}

std::optional<Color> InterfaceAttributes::optColor(const std::string& key) {
    const json* v = raw(key);
    if (!v) return std::nullopt;
    if (v->is_string()) {
        const std::string s = v->get<std::string>();
        const bool shapeOk = (s.size() == 7 || s.size() == 9) && s[0] == '#' &&
                             s.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
        if (!shapeOk) fail(key, "expected \"#rrggbb\" or \"#rrggbbaa\" for");
        auto byte = [&](std::size_t at) {
            return static_cast<float>(std::strtoul(s.substr(at, 2).c_str(), nullptr, 16)) / 255.0f;
        };
        return Color{byte(1), byte(3), byte(5), s.size() == 9 ? byte(7) : 1.0f};
    }
    if (numbers(*v, 3) || numbers(*v, 4)) {
        Color c{(*v)[0].get<float>(), (*v)[1].get<float>(), (*v)[2].get<float>(),
                v->size() == 4 ? (*v)[3].get<float>() : 1.0f};
        for (float f : {c.r, c.g, c.b, c.a}) {
            if (f < 0 || f > 1) fail(key, "colour component outside 0..1 in");
        }
        return c;
    }
    fail(key, "expected a colour for");
}

std::optional<std::map<std::string, std::string>> InterfaceAttributes::optStringMap(const std::string& key) {
    const json* v = raw(key);
    if (!v) return std::nullopt;
    if (!v->is_object()) fail(key, "expected an object of strings for");
    std::map<std::string, std::string> out;
    for (auto it = v->begin(); it != v->end(); ++it) {
        if (!it.value().is_string()) fail(key + "." + it.key(), "expected a string for");
        out[it.key()] = it.value().get<std::string>();
    }
    return out;
}

std::shared_ptr<const Image> InterfaceAttributes::optImage(const std::string& key) {
    const auto name = optString(key);
    if (!name) return nullptr;
    std::shared_ptr<const Image> img = resources_ ? resources_->image(*name) : nullptr;
    if (!img) fail(*name, "unknown image");
    return img;
}

std::shared_ptr<const Image> InterfaceAttributes::findImage(const std::string& name) const {
    return resources_ ? resources_->image(name) : nullptr;
}

std::set<std::string> InterfaceAttributes::unreadKeys() const {
    std::set<std::string> out;
    for (auto it = node_.begin(); it != node_.end(); ++it) {
        if (!read_.count(it.key())) out.insert(it.key());
    }
    return out;
}

}  // namespace platform::ui
