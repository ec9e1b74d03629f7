#include "tools/adserver/MRAIDScript.h"

namespace tikoleap::adserver {

namespace {

// mraid.js is one function expression; each variant calls it with its name.
const char* const kSource =
#include "MRAIDScriptSource.inc"
    ;

}  // namespace

std::string MRAIDScript::source(Variant variant) {
    const char* name = variant == Variant::Banner         ? "banner"
                       : variant == Variant::Interstitial ? "interstitial"
                                                          : "expanded";
    return std::string(kSource) + "('" + name + "');\n";
}

std::optional<MRAIDScript::Variant> MRAIDScript::variantOfPath(const std::string& path) {
    if (path == kBannerPath) return Variant::Banner;
    if (path == kInterstitialPath) return Variant::Interstitial;
    if (path == kExpandedBannerPath) return Variant::ExpandedBanner;
    return std::nullopt;
}

}  // namespace tikoleap::adserver
