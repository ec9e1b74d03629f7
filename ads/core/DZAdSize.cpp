#include "ads/core/DZAdSize.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "ads/foundation/DZInternalErrorAdditions.h"

namespace {

constexpr std::array<DZAdSize, 6> kStandardSizes{kDZAdSizeBanner,          kDZAdSizeLargeBanner,
                                                 kDZAdSizeMediumRectangle, kDZAdSizeFullBanner,
                                                 kDZAdSizeLeaderboard,     kDZAdSizeSkyscraper};

bool sameRecord(DZAdSize a, DZAdSize b) {
    return a.size.width == b.size.width && a.size.height == b.size.height && a.flags == b.flags;
}

bool isZero(platform::Size size) {
    return size.width == 0 && size.height == 0;
}

std::string printed(const char* format, double a) {
    char text[512];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

// One side of "WxH": a whole number text, finite also as a float.
std::optional<float> sideFromText(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const auto last = text.find_last_not_of(" \t");
    const std::string trimmed = text.substr(first, last - first + 1);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size() || errno == ERANGE || !std::isfinite(value))
        return std::nullopt;
    const float side = static_cast<float>(value);
    if (!std::isfinite(side)) return std::nullopt;
    return side;
}

}  // namespace

DZAdSize DZAdSizeFromCGSize(platform::Size size) {
    if (size.width == kDZAdSizeInvalid.size.width && size.height == kDZAdSizeInvalid.size.height)
        return kDZAdSizeInvalid;
    for (const DZAdSize& standard : kStandardSizes) {
        if (standard.size.width == size.width && standard.size.height == size.height) return standard;
    }
    return DZAdSize{size, kDZAdSizeFlagCustom};
}

bool DZAdSizesAreEqual(DZAdSize a, DZAdSize b) {
    return sameRecord(a, b);
}

bool DZAdSizeIsFluid(DZAdSize size) {
    return (size.flags & kDZAdSizeFlagFluid) != 0;
}
bool DZAdSizeIsFullWidth(DZAdSize size) {
    return (size.flags & kDZAdSizeFlagFullWidth) != 0;
}
bool DZAdSizeIsSmartBanner(DZAdSize size) {
    return (size.flags & kDZAdSizeFlagSmart) != 0;
}

bool DZAdSizeIsStandard(DZAdSize size) {
    return std::any_of(kStandardSizes.begin(), kStandardSizes.end(),
                       [&](DZAdSize standard) { return sameRecord(standard, size); });
}

platform::Size CGSizeFromDZAdSize(DZAdSize size) {
    return CGSizeFromDZAdSize(size, DZAdSizeScreen::current());
}

platform::Size CGSizeFromDZAdSize(DZAdSize size, const DZAdSizeScreen& screen) {
    if (DZAdSizeIsStandard(size)) return size.size;
    if (DZAdSizeIsFluid(size)) {
        if (isZero(size.size)) return {screen.windowWidth, 1.0f};
        return size.size;
    }
    if (DZAdSizeIsFullWidth(size)) {
        const bool landscape = (size.flags & kDZAdSizeFlagLandscape) != 0;
        const platform::Size smart{
            landscape ? screen.portraitBounds.size.height : screen.portraitBounds.size.width,
            landscape ? 32.0f : 50.0f};
        if (DZAdSizeIsSmartBanner(size)) return smart;
        if (size.flags & kDZAdSizeFlagCustom) return {smart.width, size.size.height};
        return {};
    }
    if (size.flags == kDZAdSizeFlagCustom) return size.size;
    return {};
}

bool DZAdSizeIsValid(DZAdSize size, platform::ErrorRef* error) {
    return DZAdSizeIsValid(size, DZAdSizeScreen::current(), error);
}

bool DZAdSizeIsValid(DZAdSize size, const DZAdSizeScreen& screen, platform::ErrorRef* error) {
    if (size.flags & kDZAdSizeFlagCustom) {
        const platform::Size bounds = screen.portraitBounds.size;
        const float longest = std::max(bounds.width, bounds.height);
        if (std::fabs(size.size.width) <= longest && std::fabs(size.size.height) <= longest) return true;
        if (error) {
            *error = dz_errorWithCode(kDZInternalErrorInvalidArgument,
                                      "Not enough space to show ad with custom size, " +
                                          NSStringFromCGSize(size.size) +
                                          ". Please use a size the fits the current screen bounds of " +
                                          NSStringFromCGSize(bounds) + ".");
        }
        return false;
    }
    if (DZAdSizeIsFluid(size)) return true;
    if (DZAdSizeIsStandard(size)) return true;
    if (isZero(size.size) &&
        (size.flags == 18 || size.flags == 22 || size.flags == 26 || size.flags == 30 || size.flags == 32))
        return true;
    if (error) {
        *error = dz_errorWithCode(kDZInternalErrorInvalidArgument,
                                  "Non-standard size, " + NSStringFromDZAdSize(size) +
                                      ". Please create a custom ad size using DZAdSizeFromCGSize.");
    }
    return false;
}

std::string NSStringFromCGSize(platform::Size size) {
    char text[128];
    std::snprintf(text, sizeof text, "{%g, %g}", static_cast<double>(size.width),
                  static_cast<double>(size.height));
    return text;
}

std::string NSStringFromDZAdSize(DZAdSize size) {
    static const std::array<std::pair<DZAdSize, const char*>, 12> names{{
        {kDZAdSizeBanner, "kDZAdSizeBanner"},
        {kDZAdSizeLargeBanner, "kDZAdSizeLargeBanner"},
        {kDZAdSizeMediumRectangle, "kDZAdSizeMediumRectangle"},
        {kDZAdSizeFullBanner, "kDZAdSizeFullBanner"},
        {kDZAdSizeLeaderboard, "kDZAdSizeLeaderboard"},
        {kDZAdSizeSkyscraper, "kDZAdSizeSkyscraper"},
        {kDZAdSizeSmartBannerSkinnyPortrait, "kDZAdSizeSmartBannerSkinnyPortrait"},
        {kDZAdSizeSmartBannerSkinnyLandscape, "kDZAdSizeSmartBannerSkinnyLandscape"},
        {kDZAdSizeSmartBannerPortrait, "kDZAdSizeSmartBannerPortrait"},
        {kDZAdSizeSmartBannerLandscape, "kDZAdSizeSmartBannerLandscape"},
        {kDZAdSizeFluid, "kDZAdSizeFluid"},
        {kDZAdSizeInvalid, "kDZAdSizeInvalid"},
    }};
    for (const auto& [named, name] : names) {
        if (sameRecord(named, size)) return name;
    }
    if (size.flags & kDZAdSizeFlagFullWidth)
        return printed("Full width DZAdSize with height: %f", static_cast<double>(size.size.height));
    if (size.flags & kDZAdSizeFlagCustom) return "Custom DZAdSize: " + NSStringFromCGSize(size.size);
    if (size.flags & kDZAdSizeFlagFluid) return "Fluid DZAdSize: " + NSStringFromCGSize(size.size);
    char flags[32];
    std::snprintf(flags, sizeof flags, "%lx", static_cast<unsigned long>(size.flags));
    return "DZAdSize: " + NSStringFromCGSize(size.size) + ", " + flags;
}

DZAdSizeValue DZNSValueFromAdSize(DZAdSize size) {
    return DZAdSizeValue{kDZAdSizeTypeEncoding, size};
}

DZAdSize DZAdSizeFromValue(const std::optional<DZAdSizeValue>& value) {
    if (!value || value->typeEncoding != kDZAdSizeTypeEncoding) return kDZAdSizeInvalid;
    return value->record;
}

DZAdSize DZAdSizeFluidWithSize(float width, float height) {
    return DZAdSize{{width, height}, kDZAdSizeFlagFluid};
}

platform::Size DZCGSizeFromAdSizeString(const std::optional<std::string>& text) {
    if (!text) return {};
    const auto x = text->find('x');
    if (x == std::string::npos || text->find('x', x + 1) != std::string::npos) return {};
    const auto width = sideFromText(text->substr(0, x));
    const auto height = sideFromText(text->substr(x + 1));
    if (!width || !height) return {};
    return {*width, *height};
}
