#include "platform/defaults/MainBundle.h"

#include <mutex>

namespace platform {

namespace {

std::mutex& infoMutex() {
    static std::mutex mutex;
    return mutex;
}

PlistDict& info() {
    static PlistDict dict;
    return dict;
}

}  // namespace

PlistDict MainBundle::infoDictionary() {
    std::lock_guard<std::mutex> lock(infoMutex());
    return info();
}

void MainBundle::setInfoDictionary(PlistDict dict) {
    std::lock_guard<std::mutex> lock(infoMutex());
    info() = std::move(dict);
}

std::optional<std::string> MainBundle::stringForInfoKey(const std::string& key) {
    std::lock_guard<std::mutex> lock(infoMutex());
    return info().getString(key);
}

}  // namespace platform
