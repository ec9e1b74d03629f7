#pragma once
// One picture of a native ad: its URL, the scale it is drawn at (the bitmap has none of its own),
// whether the ad needs it, and, once loaded, the bitmap. Only http and https URLs are taken: a
// configuration naming any other scheme makes no picture. Loading fetches at most kMaxBytes in
// kTimeoutSeconds (redirects included), takes only a 2xx answer and decodes off the main thread.
// Main thread only.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"
#include "platform/image/Image.h"

class DZNativeAdImageAdLoaderOptions;
namespace platform {
class DecodeAllowance;
class HttpConnection;
class MainLoopTimer;
}  // namespace platform

class DZNativeAdImage : public std::enable_shared_from_this<DZNativeAdImage> {
  public:
    static constexpr double kTimeoutSeconds = 60;
    static constexpr std::size_t kMaxBytes = 4u << 20;
    static constexpr int kMaxSide = 4096;
    // Pictures read from one configuration array at most.
    static constexpr std::size_t kMaxImages = 64;
    // Bitmap bytes all downloaded pictures alive hold at most: a small file can decode to 64 MiB,
    // and ads may ask for many. A picture's share is reserved from the size its header gives,
    // before it decodes: its bitmap, and while it decodes the decoder's own copy as well. A picture
    // that would pass the budget fails to load.
    static constexpr std::size_t kMaxDecodedBytes = std::size_t{128} << 20;
    // Bitmap bytes the downloaded pictures alive hold, and those decoding have reserved, now.
    static std::size_t decodedBytes();
    // Pictures downloading or decoding at once, in the whole process; the others wait their turn.
    // Each holds up to kMaxBytes of body until decoded, and an ad may name a hundred.
    static constexpr std::size_t kMaxDownloadsAtOnce = 6;

    using Completion = std::function<void(platform::ErrorRef error)>;  // null error: loaded
    // Asked with the picture's size before its pixels take memory; false refuses the picture.
    using Admission = std::function<bool(int width, int height)>;
    // Turns downloaded bytes into a bitmap; called off the main thread. Nothing, with a reason,
    // for bytes that are no picture it reads, or a picture `admit` or `allowance` (when there is
    // one) refused.
    using Decoder = std::function<std::optional<platform::Image>(
        const std::string& bytes, const Admission& admit, platform::DecodeAllowance* allowance,
        std::string* error)>;

    // {"url": http(s) URL, "require": bool (true), "scale": number (1)}; null without a usable URL.
    static std::shared_ptr<DZNativeAdImage> fromDictionary(const nlohmann::json& dictionary);
    static std::shared_ptr<DZNativeAdImage> withImage(platform::Image image, float scale = 1);
    // Null for a URL that is not http(s).
    static std::shared_ptr<DZNativeAdImage> withURL(const std::string& url, float scale);
    // Every picture the array makes when the options ask for several (at most kMaxImages), else
    // only the first entry's; empty when none is made.
    static std::vector<std::shared_ptr<DZNativeAdImage>> imagesFromConfigurationArray(
        const nlohmann::json& array, const DZNativeAdImageAdLoaderOptions* options);

    // The decoder every picture uses (the platform's picture decoder by default, and again after
    // a null one); tests give theirs.
    static void setDecoder(Decoder decoder);

    ~DZNativeAdImage();
    DZNativeAdImage(const DZNativeAdImage&) = delete;
    DZNativeAdImage& operator=(const DZNativeAdImage&) = delete;

    bool required() const { return required_; }
    const std::string& imageURL() const { return url_; }
    float scale() const { return scale_; }
    // Null until loaded.
    const std::shared_ptr<const platform::Image>& image() const { return image_; }
    std::string description() const;

    // Calls completion once, through the main loop. A picture already loaded completes at once.
    // The picture's decode work is taken from `allowance`, its ad's (the first caller's counts):
    // once that has refused a picture, this one fails without a download.
    void loadImage(Completion completion, std::shared_ptr<platform::DecodeAllowance> allowance = nullptr);

  private:
    DZNativeAdImage(std::string url, float scale, bool required);
    void startDownload();
    void releaseDownloadSlot();
    void finish(platform::ErrorRef error);

    std::string url_;
    float scale_ = 1;
    bool required_ = true;
    std::shared_ptr<const platform::Image> image_;
    std::size_t countedBytes_ = 0;  // of image_, when downloaded
    bool holdsDownloadSlot_ = false;
    std::shared_ptr<platform::HttpConnection> connection_;
    std::shared_ptr<platform::MainLoopTimer> deadline_;
    std::vector<Completion> waiting_;
    std::shared_ptr<platform::DecodeAllowance> allowance_;
};
