#include "ads/public/RUVCustomRenderedAd.h"

#include "ads/core/DZAd.h"
#include "platform/url/Url.h"

std::shared_ptr<RUVCustomRenderedAd> RUVCustomRenderedAd::create(const std::shared_ptr<DZAd>& ad) {
    if (!ad) return nullptr;
    return std::make_shared<RUVCustomRenderedAd>(ad->adHTML().value_or(""),
                                                 rootURLOf(ad->adBaseURL().value_or("")), ad);
}

std::string RUVCustomRenderedAd::rootURLOf(const std::string& url) {
    const auto parsed = platform::Url::parse(url);
    if (!parsed || !parsed->isWeb() || parsed->host().empty()) return "";
    const std::string& host = parsed->host();
    std::string root =
        parsed->scheme() + "://" + (host.find(':') != std::string::npos ? "[" + host + "]" : host);
    if (parsed->hasPort()) root += ":" + parsed->port();
    return root + "/";
}

// Each report holds the owner across the call: the app may let the ad and its owner go from there.
void RUVCustomRenderedAd::recordClick() {
    if (auto owner = delegate()) owner->recordClick(*this);
}

void RUVCustomRenderedAd::recordImpression() {
    if (auto owner = delegate()) owner->recordCustomAdImpression(*this);
}

void RUVCustomRenderedAd::finishedRenderingAdView(const std::shared_ptr<platform::ui::View>& view) {
    if (auto owner = delegate()) owner->finishedRenderingAdView(*this, view);
}
