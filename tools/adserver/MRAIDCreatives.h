#pragma once
// Our house rich-media creatives. They use only the public rich-media API of version 2.0 (their
// script comes from "mraid.js", which the app answers) and report what they see as
// GET /beacon?e=EVENT&c=NAME&n=COUNT&... on the page's own server: "ready" (v, p, s), "state" (s),
// "size" (w, h), "viewable" (v), "error" (a, m) and each creative's own actions.
#include <string>
#include <vector>

namespace tikoleap::adserver {

class MRAIDCreatives {
  public:
    // Where each creative is served alone: kPathPrefix + name.
    static constexpr const char* kPathPrefix = "/creative/mraid/";
    // The second page of the two-part expand.
    static constexpr const char* kSecondPagePath = "/creative/mraid-page/two-part";
    // The picture the picture creative stores.
    static constexpr const char* kPicturePath = "/creative/mraid-page/picture.bmp";
    // What the actions interstitial plays, and where its store product sends a desktop.
    static constexpr const char* kVideoPath = "/video/green.webm";
    static constexpr const char* kStoreFallbackPath = "/store-fallback";

    // Every creative's name; the ad unit of each is "tikoleap-mraid-" + name.
    static const std::vector<std::string>& names();
    // The banners among them, in the order a rotating banner unit shows them.
    static const std::vector<std::string>& bannerNames();
    static bool isInterstitial(const std::string& name);
    // The creative's page ("" for an unknown name); its links lead to landingURL.
    static std::string html(const std::string& name, const std::string& landingURL);
    static std::string secondPageHTML();
    // A 64 x 64 picture of our own as an uncompressed 24-bit BMP.
    static std::string pictureBMP();
};

}  // namespace tikoleap::adserver
