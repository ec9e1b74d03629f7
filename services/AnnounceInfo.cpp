#include "services/AnnounceInfo.h"

#include <algorithm>
#include <array>

#include "appbase/LogMessage.h"
#include "services/DecimalText.h"

namespace {

constexpr const char* kParseName = "-[AnnounceInfo parse:]";

constexpr std::array<const char*, 6> kAmPropertyKeys = {
    "didazEnable",
    "didazRefreshInterval",
    "didazBannerAdPublisherId",
    "didazInterstitialAdPublisherId",
    "didazInterstitialAdInterval",
    "didazInterstitialAdContextFlag",
};

// Text for a log line: a string item's element, or a stand-in for anything else.
std::string describe(const std::optional<std::string>& text) {
    return text ? *text : std::string("(not a string)");
}

}  // namespace

std::optional<std::string> AnnounceInfo::stringAt(const platform::PlistArray& item, size_t index) {
    return item.getString(index);
}

double AnnounceInfo::doubleAt(const platform::PlistArray& item, size_t index) {
    std::optional<std::string> text = item.getString(index);
    return text ? decimalDoubleValue(*text) : 0;
}

float AnnounceInfo::pointsAt(const platform::PlistArray& item, size_t index) {
    return static_cast<float>(std::clamp(doubleAt(item, index), -kMaxPoints, kMaxPoints));
}

int AnnounceInfo::intAt(const platform::PlistArray& item, size_t index) {
    std::optional<std::string> text = item.getString(index);
    return text ? decimalIntValue(*text) : 0;
}

bool AnnounceInfo::isValidAmPropertyKey(const std::string& key) {
    for (const char* valid : kAmPropertyKeys) {
        if (key == valid) return true;
    }
    return false;
}

bool AnnounceInfo::isSafeFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxFileNameBytes || name.front() == '.') return false;
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) return false;
    return name.find("..") == std::string::npos;
}

bool AnnounceInfo::keyOf(const platform::PlistArray& item, const std::string& command,
                         std::string& key) const {
    std::optional<std::string> text = item.getString(1);
    if (!text) {
        LogMessage(kParseName, 1, "Item without a key: " + command);
        return false;
    }
    key = *text;
    return true;
}

bool AnnounceInfo::acceptFile(const platform::PlistArray& item, const std::string& key) {
    std::optional<std::string> name = item.getString(2);
    // The name becomes a path in the cache folder: one that could leave it, or hide among its
    // own files, is refused here, and the rest of the list still counts.
    if (name && !isSafeFileName(*name)) {
        LogMessage(kParseName, 3, "Unsafe file name refused: " + key);
        return true;
    }
    if (files_.size() >= kMaxFiles && files_.find(key) == files_.end()) {
        LogMessage(kParseName, 3, "Too many files: more than " + std::to_string(kMaxFiles));
        return false;
    }
    files_[key] = item;
    return true;
}

bool AnnounceInfo::parse(const platform::PlistArray& list) {
    if (list.size() > kMaxItems) {
        LogMessage(kParseName, 3, "Too many items: " + std::to_string(list.size()));
        return false;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        std::optional<platform::PlistArray> item = list.getArray(i);
        if (!item) return false;
        std::optional<std::string> command = item->getString(0);
        if (!command) return false;
        const std::string& cmd = *command;
        std::string key;
        if (cmd == "UB" || cmd == "UI") {
            uiitems_.push_back(*item);
        } else if (cmd == "AS" || cmd == "AU") {
            if (keyOf(*item, cmd, key)) actions_[key] = *item;
        } else if (cmd == "Fi") {
            if (keyOf(*item, cmd, key) && !acceptFile(*item, key)) return false;
        } else if (cmd == "HFUr") {
            fileUrlBase_ = item->getString(1);
        } else if (cmd == "HCIt") {
            checkIntervalAfterSuccess_ = std::min(doubleAt(*item, 1), kMaxCheckInterval);
            checkIntervalAfterFailure_ = std::min(doubleAt(*item, 2), kMaxCheckInterval);
        } else if (cmd == "HVSi") {
            // A view has no negative size.
            viewSize_ = {std::max(pointsAt(*item, 1), 0.0f), std::max(pointsAt(*item, 2), 0.0f)};
        } else if (cmd == "HPVe") {
            if (item->getString(1) != std::optional<std::string>("Am1")) return false;
        } else if (cmd == "SetP") {
            std::optional<std::string> propertyKey = item->getString(1);
            if (!propertyKey || !isValidAmPropertyKey(*propertyKey)) {
                LogMessage(kParseName, 1, "Unknown property key: " + describe(propertyKey));
            } else if (std::optional<std::string> value = item->getString(2)) {
                amProperties_[*propertyKey] = *value;
            }
        } else if (cmd == "PUAd") {
            popupAdInfo_ = *item;
        } else {
            LogMessage(kParseName, 1, "Unknown item cmd: " + cmd);
        }
    }
    return true;
}
