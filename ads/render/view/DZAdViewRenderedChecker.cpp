#include "ads/render/view/DZAdViewRenderedChecker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "ads/render/view/DZAdView.h"

namespace {

std::uint8_t byteOf(float component) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(component, 0.0f, 1.0f) * 255.0f));
}

// The colour as the snapshot stores it: premultiplied, so a see-through background compares
// with the bytes the page's pixels really have.
std::array<std::uint8_t, 4> premultipliedBytes(platform::ui::Color color) {
    const float a = std::clamp(color.a, 0.0f, 1.0f);
    return {byteOf(color.r * a), byteOf(color.g * a), byteOf(color.b * a), byteOf(a)};
}

}  // namespace

std::optional<float> DZAdViewRenderedChecker::percentOfImage(const platform::Image& image,
                                                             platform::ui::Color color) {
    if (!image.hasBitmap()) return std::nullopt;
    const auto want = premultipliedBytes(color);
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    const std::uint8_t* p = image.pixels.data();
    std::size_t equal = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::array<std::uint8_t, 4> have{};
        switch (image.content) {
            case platform::Image::Content::AlphaOnly:
                have = {0, 0, 0, p[i]};
                break;
            case platform::Image::Content::RGB:
                have = {p[4 * i], p[4 * i + 1], p[4 * i + 2], 255};
                break;
            default:
                have = {p[4 * i], p[4 * i + 1], p[4 * i + 2], p[4 * i + 3]};
                break;
        }
        if (have == want) ++equal;
    }
    return static_cast<float>(static_cast<double>(equal) / static_cast<double>(count));
}

void DZAdViewRenderedChecker::checkIsContentRenderedInAdView() {
    // Both held across the call: the delegate may let go of the view or of this checker.
    auto adView = adView_.lock();
    auto delegate = delegate_.lock();
    if (!adView || !delegate) return;
    platform::Image page;
    if (auto* engine = adView->engine()) page = engine->snapshot();
    const auto share = percentOfImage(page, adView->backgroundColor());
    if (share && *share < kRenderedShare) {
        delegate->adViewDidRenderContent(*adView);
    } else {
        delegate->adViewDidFailToRenderContent(*adView);
    }
}
