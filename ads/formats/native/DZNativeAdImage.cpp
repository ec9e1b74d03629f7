#include "ads/formats/native/DZNativeAdImage.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <deque>
#include <mutex>

#include "ads/core/DZValues.h"
#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"
#include "ads/foundation/DZInternalErrorAdditions.h"
#include "ads/foundation/DZLogger.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/dispatch/MainThread.h"
#include "platform/http/HttpConnection.h"
#include "platform/image/DecodeAllowance.h"
#include "platform/image/ImageDecoder.h"
#include "platform/url/Url.h"

namespace {

std::mutex& decoderMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<platform::Image> platformDecode(const std::string& bytes,
                                              const DZNativeAdImage::Admission& admit,
                                              platform::DecodeAllowance* allowance, std::string* error) {
    return platform::ImageDecoder::decode(bytes, error, DZNativeAdImage::kMaxSide, admit,
                                          platform::ImageDecoder::Formats::Web, allowance,
                                          platform::ImageDecoder::Orientation::Upright);
}

DZNativeAdImage::Decoder& installedDecoder() {
    static DZNativeAdImage::Decoder decoder = platformDecode;
    return decoder;
}

std::optional<std::string> webURL(const nlohmann::json& value) {
    if (!value.is_string()) return std::nullopt;
    auto url = platform::Url::parse(value.get<std::string>());
    if (!url || !url->isWeb()) return std::nullopt;
    return url->text();
}

// Reserved by the decoding threads, given back on any thread.
std::atomic<std::size_t> gDecodedBytes{0};
// Main thread only, like the pictures that count into it.
std::size_t gDownloads = 0;

bool reserveDecodedBytes(std::size_t bytes) {
    std::size_t held = gDecodedBytes.load();
    do {
        if (bytes > DZNativeAdImage::kMaxDecodedBytes - held) return false;
    } while (!gDecodedBytes.compare_exchange_weak(held, held + bytes));
    return true;
}

void releaseDecodedBytes(std::size_t bytes) {
    gDecodedBytes -= bytes;
}

std::deque<std::weak_ptr<DZNativeAdImage>>& queuedDownloads() {
    static std::deque<std::weak_ptr<DZNativeAdImage>> queue;
    return queue;
}

// A scale that is no positive finite number draws at 1.
float sanitizedScale(double scale) {
    return std::isfinite(scale) && scale > 0 && scale <= 16 ? static_cast<float>(scale) : 1.f;
}

// The first picture an ad's allowance refuses says so, in one line for the whole ad. Main thread.
void reportSpentAllowance(platform::DecodeAllowance& allowance) {
    if (allowance.claimRefusalReport())
        DZLogger::sharedInstance()->logPublicMessage(
            "The ad's pictures passed the decode work an ad may cause, with those of the ads loading "
            "beside it (what its files take to read as well as their pixels); its remaining pictures "
            "are not loaded.");
}

}  // namespace

DZNativeAdImage::DZNativeAdImage(std::string url, float scale, bool required)
    : url_(std::move(url)), scale_(scale), required_(required) {}

DZNativeAdImage::~DZNativeAdImage() {
    if (connection_) connection_->cancel();
    if (deadline_) deadline_->invalidate();
    releaseDecodedBytes(countedBytes_);
    releaseDownloadSlot();
}

std::size_t DZNativeAdImage::decodedBytes() {
    return gDecodedBytes;
}

std::shared_ptr<DZNativeAdImage> DZNativeAdImage::fromDictionary(const nlohmann::json& dictionary) {
    if (!dictionary.is_object()) return nullptr;
    auto url = webURL(dictionary.value("url", nlohmann::json()));
    if (!url) return nullptr;
    const auto require = dictionary.find("require");
    const bool required = require == dictionary.end() || dz_jsonBoolValue(*require);
    const auto scale = dz_jsonNumberValue(dictionary.value("scale", nlohmann::json()));
    return std::shared_ptr<DZNativeAdImage>(
        new DZNativeAdImage(*url, sanitizedScale(scale.value_or(1)), required));
}

std::shared_ptr<DZNativeAdImage> DZNativeAdImage::withImage(platform::Image image, float scale) {
    auto made = std::shared_ptr<DZNativeAdImage>(new DZNativeAdImage({}, sanitizedScale(scale), true));
    made->image_ = std::make_shared<const platform::Image>(std::move(image));
    return made;
}

std::shared_ptr<DZNativeAdImage> DZNativeAdImage::withURL(const std::string& url, float scale) {
    auto checked = webURL(url);
    return checked
               ? std::shared_ptr<DZNativeAdImage>(new DZNativeAdImage(*checked, sanitizedScale(scale), true))
               : nullptr;
}

std::vector<std::shared_ptr<DZNativeAdImage>> DZNativeAdImage::imagesFromConfigurationArray(
    const nlohmann::json& array, const DZNativeAdImageAdLoaderOptions* options) {
    std::vector<std::shared_ptr<DZNativeAdImage>> images;
    if (!array.is_array()) return images;
    const bool multiple = options && options->shouldRequestMultipleImages;
    std::size_t read = 0;
    for (const auto& entry : array) {
        if (read++ == kMaxImages) break;
        if (auto image = fromDictionary(entry)) images.push_back(std::move(image));
        if (!multiple) break;
    }
    return images;
}

void DZNativeAdImage::setDecoder(Decoder decoder) {
    std::lock_guard lock(decoderMutex());
    installedDecoder() = decoder ? std::move(decoder) : platformDecode;
}

std::string DZNativeAdImage::description() const {
    char scale[32];
    std::snprintf(scale, sizeof scale, "%f", static_cast<double>(scale_));
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return std::string("<DZNativeAdImage: ") + address + " scale: " + scale + " URL: " + url_ + ">";
}

void DZNativeAdImage::loadImage(Completion completion, std::shared_ptr<platform::DecodeAllowance> allowance) {
    ASSERT_MAIN_THREAD();
    if (!allowance_) allowance_ = std::move(allowance);
    if (image_) {
        platform::DispatchQueue::main()->async([completion = std::move(completion)] {
            if (completion) completion(nullptr);
        });
        return;
    }
    waiting_.push_back(std::move(completion));
    if (waiting_.size() > 1) return;  // one download serves every caller
    if (gDownloads >= kMaxDownloadsAtOnce) {
        queuedDownloads().push_back(weak_from_this());
        return;
    }
    startDownload();
}

void DZNativeAdImage::startDownload() {
    if (allowance_ && allowance_->spent()) {
        reportSpentAllowance(*allowance_);
        platform::DispatchQueue::main()->async([weak = weak_from_this()] {
            if (auto self = weak.lock())
                self->finish(
                    dz_errorWithCode(kDZInternalErrorInternal,
                                     "Failed to load " + self->description() +
                                         ": the ad's pictures took all the decode work it may cause."));
        });
        return;
    }
    ++gDownloads;
    holdsDownloadSlot_ = true;
    platform::HttpRequest request;
    request.url = url_;
    request.timeoutSeconds = kTimeoutSeconds;
    request.maxBodyBytes = kMaxBytes;
    std::weak_ptr<DZNativeAdImage> weak = weak_from_this();
    platform::HttpConnection::Callbacks callbacks;
    callbacks.didFinish = [weak](std::string body) {
        auto self = weak.lock();
        if (!self) return;
        const auto& response = self->connection_->lastResponse();
        const int status = response ? response->status : 0;
        self->connection_.reset();
        if (status < 200 || status > 299 || body.empty()) {
            self->finish(dz_errorWithCode(kDZInternalErrorInternal,
                                          "Failed to load " + self->description() + ". Received " +
                                              std::to_string(status < 200 || status > 299 ? 0 : body.size()) +
                                              " bytes."));
            return;
        }
        Decoder decoder;
        {
            std::lock_guard lock(decoderMutex());
            decoder = installedDecoder();
        }
        // Decoding may take long for a large picture: never on the main loop.
        auto main = platform::DispatchQueue::main();
        auto allowance = self->allowance_;
        platform::DispatchQueue::global()->async([weak, main, decoder, allowance, body = std::move(body)] {
            std::string reason;
            // Reserved before the pixels take memory: the bitmap for as long as the picture
            // lives, the decoder's own copy of it only while it decodes.
            std::size_t reserved = 0;
            bool overBudget = false;
            const Admission admit = [&reserved, &overBudget](int width, int height) {
                if (reserved || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
                    return false;
                const std::size_t bitmap =
                    std::size_t{4} * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
                overBudget = !reserveDecodedBytes(2 * bitmap);
                if (!overBudget) reserved = bitmap;
                return !overBudget;
            };
            auto decoded = decoder ? decoder(body, admit, allowance.get(), &reason) : std::nullopt;
            releaseDecodedBytes(reserved);  // the decoder's copy is gone
            if (overBudget) reason = "Its bitmap would pass what pictures may hold.";
            if (!decoded || !decoded->hasBitmap() || decoded->pixels.size() != reserved) {
                // Not the picture admitted: the main loop counts it afresh.
                releaseDecodedBytes(reserved);
                reserved = 0;
            }
            main->async([weak, decoded = std::move(decoded), size = body.size(), reason, reserved] {
                auto self = weak.lock();
                if (!self) {
                    releaseDecodedBytes(reserved);
                    return;
                }
                if (!decoded || !decoded->hasBitmap()) {
                    if (self->allowance_) reportSpentAllowance(*self->allowance_);
                    self->finish(dz_errorWithCode(kDZInternalErrorInternal,
                                                  "Failed to load " + self->description() + ". Received " +
                                                      std::to_string(size) + " bytes." +
                                                      (reason.empty() ? "" : " " + reason)));
                    return;
                }
                const std::size_t bytes = decoded->pixels.size();
                if (!reserved && !reserveDecodedBytes(bytes)) {
                    self->finish(dz_errorWithCode(kDZInternalErrorInternal,
                                                  "Failed to load " + self->description() + ": its " +
                                                      std::to_string(bytes) +
                                                      " bitmap bytes pass what pictures may hold."));
                    return;
                }
                self->countedBytes_ = bytes;
                self->image_ = std::make_shared<const platform::Image>(std::move(*decoded));
                self->finish(nullptr);
            });
        });
    };
    callbacks.didFail = [weak](const platform::HttpError& error) {
        auto self = weak.lock();
        if (!self) return;
        self->connection_.reset();
        self->finish(dz_errorWithCode(kDZInternalErrorInternal,
                                      "Failed to load " + self->description() + ": " + error.message));
    };
    auto connection = platform::HttpConnection::create(std::move(callbacks));
    connection_ = connection;
    // The connection's time-out is per hop: a server answering each hop just in time with one
    // more redirect would hold the picture for many minutes.
    deadline_ = platform::MainLoopTimer::schedule(kTimeoutSeconds, false, [weak](platform::MainLoopTimer&) {
        auto self = weak.lock();
        if (!self || !self->connection_) return;
        std::exchange(self->connection_, nullptr)->cancel();
        self->finish(dz_errorWithCode(kDZInternalErrorInternal,
                                      "Failed to load " + self->description() + ": no answer in time."));
    });
    if (auto error = connection->start(request)) {
        connection_.reset();
        platform::DispatchQueue::main()->async([weak, url = url_] {
            if (auto self = weak.lock())
                self->finish(dz_errorWithCode(kDZInternalErrorInternal,
                                              "Couldn't create URL request for " + url + "."));
        });
    }
}

void DZNativeAdImage::releaseDownloadSlot() {
    if (!std::exchange(holdsDownloadSlot_, false)) return;
    --gDownloads;
    // Through the main loop: a picture going away may be what let the slot go.
    platform::DispatchQueue::main()->async([] {
        auto& queue = queuedDownloads();
        while (gDownloads < kMaxDownloadsAtOnce && !queue.empty()) {
            auto next = queue.front().lock();
            queue.pop_front();
            if (next && !next->waiting_.empty() && !next->holdsDownloadSlot_) next->startDownload();
        }
    });
}

void DZNativeAdImage::finish(platform::ErrorRef error) {
    auto hold = shared_from_this();
    if (deadline_) std::exchange(deadline_, nullptr)->invalidate();
    releaseDownloadSlot();
    auto waiting = std::move(waiting_);
    waiting_.clear();
    for (auto& completion : waiting)
        if (completion) completion(error);
}
