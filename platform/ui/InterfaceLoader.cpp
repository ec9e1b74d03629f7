#include "platform/ui/InterfaceLoader.h"

#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/foundation/FileIO.h"

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/InterfaceAttributes.h"
#include "platform/ui/InterfaceFileError.h"
#include "platform/ui/Label.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextView.h"
#include "platform/ui/UiResources.h"

namespace platform::ui {

using nlohmann::json;

namespace {

std::mutex gRegistryMutex;

std::map<std::string, InterfaceLoader::Factory>& registry() {
    static std::map<std::string, InterfaceLoader::Factory> classes = {
        {"View", [] { return std::make_shared<View>(); }},
        {"Label", [] { return std::make_shared<Label>(); }},
        {"Button", [] { return std::make_shared<Button>(); }},
        {"ImageView", [] { return std::make_shared<ImageView>(); }},
        {"ScrollView", [] { return std::make_shared<ScrollView>(); }},
        {"TextView", [] { return std::make_shared<TextView>(); }},
        {"Switch", [] { return std::make_shared<Switch>(); }},
        {"PickerView", [] { return std::make_shared<PickerView>(); }},
    };
    return classes;
}

InterfaceLoader::Factory factoryFor(const std::string& name) {
    std::lock_guard lock(gRegistryMutex);
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second;
}

class Builder {
  public:
    Builder(LoadedInterface& out, const UiResources* resources) : out_(out), resources_(resources) {}

    std::shared_ptr<View> build(const json& node, const std::string& path, int depth) {
        if (depth > InterfaceLoader::kMaxDepth) fail(path, "views nested too deeply at");
        if (!node.is_object()) fail(path, "expected a view object at");
        std::string cls = "View";
        if (auto it = node.find("class"); it != node.end()) {
            if (!it->is_string()) fail(path + ".class", "expected a class name at");
            cls = it->get<std::string>();
        }
        auto factory = factoryFor(cls);
        if (!factory) throw InterfaceFileError(out_.file, cls, path + ": unknown view class");
        auto view = factory();

        InterfaceAttributes attrs(node, out_.file, path, resources_);
        attrs.raw("class");
        view->loadAttributes(attrs);

        if (auto name = attrs.optString("outlet")) {
            if (name->empty()) fail(path + ".outlet", "empty outlet name at");
            if (!outletNames_.insert(*name).second)
                throw InterfaceFileError(out_.file, *name, path + ": duplicate outlet");
            out_.outlets.emplace_back(*name, view);
        }
        if (const json* actions = attrs.raw("actions")) {
            auto control = std::dynamic_pointer_cast<Control>(view);
            if (!control)
                throw InterfaceFileError(out_.file, cls, path + ": actions on a view that is no control");
            if (!actions->is_object()) fail(path + ".actions", "expected {event: action} at");
            for (auto it = actions->begin(); it != actions->end(); ++it) {
                const std::uint32_t ev = controlEventFromName(it.key());
                if (ev == 0) throw InterfaceFileError(out_.file, it.key(), path + ": unknown control event");
                if (!it.value().is_string() || it.value().get<std::string>().empty()) {
                    fail(path + ".actions." + it.key(), "expected an action name at");
                }
                out_.actions.push_back({control, ev, it.value().get<std::string>()});
            }
        }
        if (const json* subs = attrs.raw("subviews")) {
            if (!subs->is_array()) fail(path + ".subviews", "expected an array at");
            for (std::size_t i = 0; i < subs->size(); ++i) {
                view->addSubview(build((*subs)[i], path + ".subviews[" + std::to_string(i) + "]", depth + 1));
            }
        }
        if (auto unread = attrs.unreadKeys(); !unread.empty()) {
            throw InterfaceFileError(out_.file, *unread.begin(), path + ": unknown attribute for " + cls);
        }
        return view;
    }

    [[noreturn]] void fail(const std::string& path, const std::string& what) {
        throw InterfaceFileError(out_.file, "", what + " " + path);
    }

  private:
    LoadedInterface& out_;
    const UiResources* resources_;
    std::set<std::string> outletNames_;
};

}  // namespace

InterfaceLoader::InterfaceLoader(std::shared_ptr<const UiResources> resources)
    : resources_(std::move(resources)) {}

void InterfaceLoader::registerClass(const std::string& name, Factory factory) {
    std::lock_guard lock(gRegistryMutex);
    registry()[name] = std::move(factory);
}

bool InterfaceLoader::isClassRegistered(const std::string& name) {
    return factoryFor(name) != nullptr;
}

LoadedInterface InterfaceLoader::loadNamed(const std::string& name) const {
    const auto path = resources_ ? resources_->interfacePath(name) : std::filesystem::path{};
    if (path.empty()) throw InterfaceFileError(name + ".json", name, "no interface file named");
    return loadFile(path);
}

LoadedInterface InterfaceLoader::loadFile(const std::filesystem::path& path) const {
    const std::string label = path.filename().string();
    // Never blocks on a FIFO, and never reads more than the cap.
    const FileReadResult file = readWholeFile(path, kMaxFileBytes);
    if (file.status == FileReadResult::Status::Missing)
        throw InterfaceFileError(label, path.string(), "cannot open");
    if (file.status != FileReadResult::Status::Ok) {
        const bool tooLarge = file.error.rfind("file too large", 0) == 0;
        throw InterfaceFileError(label, tooLarge ? "" : path.string(),
                                 tooLarge ? "file too large" : "cannot open");
    }
    return loadString(std::string(file.bytes.begin(), file.bytes.end()), label);
}

LoadedInterface InterfaceLoader::loadString(const std::string& text, const std::string& fileLabel) const {
    LoadedInterface out;
    out.file = fileLabel;
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::exception& e) {
        throw InterfaceFileError(fileLabel, "", std::string("malformed JSON: ") + e.what());
    }
    if (!doc.is_object()) throw InterfaceFileError(fileLabel, "", "the top level must be an object");
    for (auto it = doc.begin(); it != doc.end(); ++it) {
        if (it.key() != "root" && it.key() != "extraViews") {
            throw InterfaceFileError(fileLabel, it.key(), "unknown top-level key");
        }
    }
    if (!doc.contains("root")) throw InterfaceFileError(fileLabel, "root", "missing");
    Builder builder(out, resources_.get());
    out.root = builder.build(doc["root"], "root", 0);
    if (auto it = doc.find("extraViews"); it != doc.end()) {
        if (!it->is_array()) builder.fail("extraViews", "expected an array at");
        for (std::size_t i = 0; i < it->size(); ++i) {
            out.extraViews.push_back(builder.build((*it)[i], "extraViews[" + std::to_string(i) + "]", 0));
        }
    }
    return out;
}

}  // namespace platform::ui
