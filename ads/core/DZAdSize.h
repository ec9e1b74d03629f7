#pragma once
// The size an ad slot asks for: a size in points and flags saying which sizes the device decides
// (full width, smart height, fluid height). Plain values, no state.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/geometry/Geometry.h"

enum DZAdSizeFlag : uint32_t {
    kDZAdSizeFlagCustom = 1,
    kDZAdSizeFlagFullWidth = 2,
    kDZAdSizeFlagSkinny = 4,
    kDZAdSizeFlagLandscape = 8,
    kDZAdSizeFlagSmart = 16,
    kDZAdSizeFlagFluid = 32,
};

struct DZAdSize {
    platform::Size size;
    uint32_t flags = 0;
};

inline constexpr DZAdSize kDZAdSizeBanner{{320, 50}, 0};
inline constexpr DZAdSize kDZAdSizeLargeBanner{{320, 100}, 0};
inline constexpr DZAdSize kDZAdSizeMediumRectangle{{300, 250}, 0};
inline constexpr DZAdSize kDZAdSizeFullBanner{{468, 60}, 0};
inline constexpr DZAdSize kDZAdSizeLeaderboard{{728, 90}, 0};
inline constexpr DZAdSize kDZAdSizeSkyscraper{{120, 600}, 0};
inline constexpr DZAdSize kDZAdSizeSmartBannerPortrait{{0, 0}, 18};
inline constexpr DZAdSize kDZAdSizeSmartBannerLandscape{{0, 0}, 26};
inline constexpr DZAdSize kDZAdSizeSmartBannerSkinnyPortrait{{0, 0}, 22};
inline constexpr DZAdSize kDZAdSizeSmartBannerSkinnyLandscape{{0, 0}, 30};
inline constexpr DZAdSize kDZAdSizeFluid{{0, 0}, 32};
inline constexpr DZAdSize kDZAdSizeInvalid{{-1, -1}, 0};

// What the device-decided sizes depend on. The game runs as a phone app: the idiom is always
// the phone's, and a fluid ad takes the width of the app's window.
struct DZAdSizeScreen {
    platform::Rect portraitBounds;
    float windowWidth = 0;
    // The shared device's screen and the app window as they are now.
    static DZAdSizeScreen current();
};

// A boxed size: the record with the type encoding it was boxed under.
struct DZAdSizeValue {
    std::string typeEncoding;
    DZAdSize record;
};
inline constexpr const char* kDZAdSizeTypeEncoding = "{DZAdSize={CGSize=ff}I}";

DZAdSize DZAdSizeFromCGSize(platform::Size size);
bool DZAdSizesAreEqual(DZAdSize a, DZAdSize b);
platform::Size CGSizeFromDZAdSize(DZAdSize size);
platform::Size CGSizeFromDZAdSize(DZAdSize size, const DZAdSizeScreen& screen);
bool DZAdSizeIsFluid(DZAdSize size);
bool DZAdSizeIsFullWidth(DZAdSize size);
bool DZAdSizeIsSmartBanner(DZAdSize size);
bool DZAdSizeIsStandard(DZAdSize size);
bool DZAdSizeIsValid(DZAdSize size, platform::ErrorRef* error = nullptr);
bool DZAdSizeIsValid(DZAdSize size, const DZAdSizeScreen& screen, platform::ErrorRef* error = nullptr);
std::string NSStringFromDZAdSize(DZAdSize size);
// "{w, h}".
std::string NSStringFromCGSize(platform::Size size);
DZAdSizeValue DZNSValueFromAdSize(DZAdSize size);
// The record when the value was boxed as an ad size; kDZAdSizeInvalid for anything else.
DZAdSize DZAdSizeFromValue(const std::optional<DZAdSizeValue>& value);
DZAdSize DZAdSizeFluidWithSize(float width, float height);
// "WxH" from a server: exactly two finite numbers (as floats) joined by one "x"; anything else
// gives the zero size.
platform::Size DZCGSizeFromAdSizeString(const std::optional<std::string>& text);
