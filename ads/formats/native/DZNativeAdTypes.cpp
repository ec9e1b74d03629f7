#include "ads/formats/native/DZNativeAdTypes.h"

#include <map>

#include "ads/foundation/DZInternalErrorAdditions.h"
#include "ads/foundation/DZRequestError.h"

const char* DZNativeAdClassName(DZNativeAdClass adClass) {
    switch (adClass) {
        case DZNativeAdClass::kContent:
            return "DZNativeContentAd";
        case DZNativeAdClass::kAppInstall:
            return "DZNativeAppInstallAd";
        case DZNativeAdClass::kCustomTemplate:
            return "DZNativeCustomTemplateAd";
    }
    return "DZNativeAd";
}

std::optional<DZNativeAdClass> DZAdClassFromAdLoaderAdType(const std::string& adType,
                                                           platform::ErrorRef* error) {
    static const std::map<std::string, DZNativeAdClass> table{
        {kDZAdLoaderContentAdType, DZNativeAdClass::kContent},
        {kDZAdLoaderAppInstallAdType, DZNativeAdClass::kAppInstall},
        {kDZAdLoaderCustomTemplateAdType, DZNativeAdClass::kCustomTemplate},
    };
    if (auto it = table.find(adType); it != table.end()) return it->second;
    if (error)
        *error = dz_errorWithDomain(DZRequestError::kDomain, kDZErrorInvalidArgument,
                                    "Invalid ad format requested: \"" + adType + "\".");
    return std::nullopt;
}

std::optional<DZNativeAdClass> DZAdClassFromFormatAndTemplateID(const std::string& format, long templateID,
                                                                platform::ErrorRef* error) {
    if (format == "native" && templateID >= 1 && templateID <= 3)
        return static_cast<DZNativeAdClass>(templateID);
    if (error)
        *error = dz_errorWithCode(kDZInternalErrorInvalidArgument, "Invalid ad format: \"" + format + "\", " +
                                                                       std::to_string(templateID) + ".");
    return std::nullopt;
}
