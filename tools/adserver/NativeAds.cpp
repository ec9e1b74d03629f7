#include "tools/adserver/NativeAds.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include "tools/adserver/CorePage.h"

namespace tikoleap::adserver {

namespace {

// Name and text of each file of content/native, sorted by name (the build writes them).
const std::pair<const char*, const char*> kAnswers[] = {
#include "NativeAdsSource.inc"
};

const char* const kSupportScript =
#include "NativeAdsScriptSource.inc"
    ;

void replaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
    for (auto at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
}

}  // namespace

std::vector<std::string> NativeAds::names() {
    std::vector<std::string> out;
    std::transform(std::begin(kAnswers), std::end(kAnswers), std::back_inserter(out),
                   [](const auto& entry) { return std::string(entry.first); });
    return out;
}

std::optional<std::string> NativeAds::answerText(const std::string& name, const std::string& baseURL,
                                                 const std::string& unit, const std::string& ad) {
    const auto found = std::find_if(std::begin(kAnswers), std::end(kAnswers),
                                    [&](const auto& entry) { return name == entry.first; });
    if (found == std::end(kAnswers)) return std::nullopt;
    std::string text = found->second;
    replaceAll(text, "{{base}}", baseURL);
    replaceAll(text, "{{unit}}", unit);
    replaceAll(text, "{{ad}}", ad);
    return text;
}

void NativeAds::answer(httplib::Response& res, const std::string& text) {
    res.set_content(text, "application/json");
    res.set_header("x-zazo-ad-format", "native");
}

const std::vector<std::string>& NativeAds::pictureNames() {
    static const std::vector<std::string> names{"adchoices.png", "content.jpg", "icon.png",  "image1.png",
                                                "image2.png",    "logo.png",    "poster.png"};
    return names;
}

bool NativeAds::isPicturePath(const std::string& path) {
    const std::string prefix = kPicturePrefix;
    return path.rfind(prefix, 0) == 0;
}

void NativeAds::answerPicture(const std::string& name, httplib::Response& res) {
    const auto& known = pictureNames();
    std::string body;
    // Only our own names: nothing a request says reaches the file system.
    if (std::find(known.begin(), known.end(), name) != known.end()) {
        std::ifstream file(std::string(kPictureFolder) + "/" + name, std::ios::binary);
        body.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (!file.good() && !file.eof()) body.clear();
    }
    if (body.empty()) {
        res.status = 404;
        res.set_content("no such picture (the build draws them with tikoleap-uiart)", "text/plain");
        return;
    }
    res.set_content(body, name.ends_with(".jpg") ? "image/jpeg" : "image/png");
}

std::string NativeAds::supportPageHTML() {
    return std::string(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Native ads</title><script>") +
           CorePage::messageQueueScript() + kSupportScript + "</script></head><body></body></html>";
}

}  // namespace tikoleap::adserver
