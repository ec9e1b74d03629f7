#pragma once
// The house native ads: unit tikoleap-native-NAME answers content/native/NAME.json (compiled in;
// "{{base}}", "{{unit}}" and "{{ad}}" in it stand for the server's base URL, the unit and the
// ad's number) as a native answer, JSON with "x-zazo-ad-format: native"; the pictures they
// name, which tikoleap-uiart draws at build time; and our support page, whose script
// pre-processes an answer for the app and handles the clicks on its ad.
#include <optional>
#include <string>
#include <vector>

#include <httplib.h>

namespace tikoleap::adserver {

class NativeAds {
  public:
    static constexpr const char* kUnitPrefix = "tikoleap-native-";
    static constexpr const char* kSupportPagePath = "/zads/static/mad/sdk/native/native_ads.html";
    static constexpr const char* kPicturePrefix = "/native/img/";
    // Where the build draws the pictures.
    static constexpr const char* kPictureFolder = TIKOLEAP_NATIVE_PICTURE_DIR;

    // The names there are answers of, in order.
    static std::vector<std::string> names();
    // The answer of NAME for the unit with the ad's number, or nothing for a name there is none of.
    static std::optional<std::string> answerText(const std::string& name, const std::string& baseURL,
                                                 const std::string& unit, const std::string& ad);
    // Makes res the native answer with the text.
    static void answer(httplib::Response& res, const std::string& text);

    // The pictures the answers name (file names under kPicturePrefix).
    static const std::vector<std::string>& pictureNames();
    // Picture NAME as the build drew it, or 404 for a name that is none of ours or a picture the
    // build has not made.
    static void answerPicture(const std::string& name, httplib::Response& res);
    static bool isPicturePath(const std::string& path);

    static std::string supportPageHTML();
};

}  // namespace tikoleap::adserver
