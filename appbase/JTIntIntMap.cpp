#include "appbase/JTIntIntMap.h"

#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "core/JTException.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/Log.h"
#include "platform/plist/PlistFile.h"

namespace JTAppBase {

using JTCore::JTString;
using JTCore::Ref;

namespace {

// Documents/<name>.plist. A null name is a programming error; a name that is not a plain file
// name (empty, or with a folder part) is refused rather than written outside Documents.
std::optional<std::filesystem::path> fileFor(const Ref<JTString>& name, const char* function) {
    if (!name) throw JTCore::makeRef<JTCore::JTException>("JTIntIntMap: null name");
    const std::string text = name->toUtf8();
    if (text.empty() || text == "." || text == ".." || text.find('/') != std::string::npos ||
        text.find('\0') != std::string::npos) {
        platform::logMessage(function, 4, "not a usable map name: \"" + text + "\"");
        return std::nullopt;
    }
    return platform::AppPaths::documentsDirectory() / (text + ".plist");
}

}  // namespace

JTIntIntMap::JTIntIntMap() = default;

JTIntIntMap::~JTIntIntMap() = default;

int JTIntIntMap::get(int key, int defaultValue) const {
    const std::optional<int64_t> value = dictionary_.getNumberAsInt(std::to_string(key));
    if (!value) return defaultValue;
    if (*value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (*value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(*value);
}

void JTIntIntMap::put(int key, int value) {
    dictionary_.setInt(std::to_string(key), value);
}

void JTIntIntMap::remove(int key) {
    dictionary_.remove(std::to_string(key));
}

void JTIntIntMap::clear() {
    dictionary_.clear();
}

bool JTIntIntMap::save(const Ref<JTString>& name) {
    const std::optional<std::filesystem::path> file = fileFor(name, "JTIntIntMap::save");
    return file && platform::writePlistDictionaryFile(*file, dictionary_);
}

bool JTIntIntMap::load(const Ref<JTString>& name) {
    const std::optional<std::filesystem::path> file = fileFor(name, "JTIntIntMap::load");
    if (!file) return false;
    std::optional<platform::PlistDict> contents = platform::readPlistDictionaryFile(*file);
    if (!contents) return false;
    dictionary_ = std::move(*contents);
    return true;
}

}  // namespace JTAppBase
