#pragma once
// Our rich-media script, one source served in three variants: for a banner, for an interstitial,
// and for a second page shown in an expanded container.
#include <optional>
#include <string>

namespace tikoleap::adserver {

class MRAIDScript {
  public:
    enum class Variant { Banner, Interstitial, ExpandedBanner };

    static constexpr const char* kBannerPath = "/zads/static/mad/sdk/native/mraid/v2/mraid_app_banner.js";
    static constexpr const char* kInterstitialPath =
        "/zads/static/mad/sdk/native/mraid/v2/mraid_app_interstitial.js";
    static constexpr const char* kExpandedBannerPath =
        "/zads/static/mad/sdk/native/mraid/v2/mraid_app_expanded_banner.js";

    static std::string source(Variant variant);
    // The variant a server path serves, if it is one of the three.
    static std::optional<Variant> variantOfPath(const std::string& path);
};

}  // namespace tikoleap::adserver
