#include "ads/core/DZBannerAd.h"

DZBannerAd::DZBannerAd(const nlohmann::json& dictionary) : DZAd(dictionary) {
    if (!dictionary.is_object()) return;
    if (auto rate = dictionary.find("refresh_rate"); rate != dictionary.end() && rate->is_number())
        setReloadInterval(rate->get<double>());
}
