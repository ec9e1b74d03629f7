#pragma once
// Runs a native ad response through the ad server's support page: loads the page into the web
// view of a slot of its own, hands it the ad JSON and the environment, and waits for its
// "nativeAdPreProcess" answer (only the one from its own ad view counts). The completion runs
// once, through the main loop: with the processed ad object and the slot (which then stays with
// the native ad), or with an error (the page failed or did not load within kPageLoadTimeoutSeconds,
// no answer within kTimeoutSeconds of the page loading, an answer that is no JSON object, an ad
// too large for the page's answer to carry back, before or after the page's work on it). Main
// thread only.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/core/slot/DZSlotDelegate.h"
#include "platform/foundation/Error.h"

class DZAdView;
class DZSlot;
namespace platform {
class MainLoopTimer;
}

class DZAdPreprocessor : public DZSlotAdLoadDelegate, public std::enable_shared_from_this<DZAdPreprocessor> {
  public:
    static constexpr double kTimeoutSeconds = 5;
    // The page gets this from the start of the pre-processing to load: the slot may hold its load
    // back and the engine's own limit is the host's to set, so neither may keep the loader waiting.
    static constexpr double kPageLoadTimeoutSeconds = 30;
    inline static const std::string kAnswerMessage = "nativeAdPreProcess";
    // The page's answer comes back as one page message, a URL of at most this many bytes with the
    // ad percent-encoded in it: an ad that could not fit there even written compact is refused at
    // once, as too large, rather than left to time out.
    static constexpr std::size_t kMaxAnswerURLBytes = std::size_t{2} << 20;
    // The bytes the page's answer for `ad`, as compact as it can be written, takes.
    static std::size_t answerURLBytes(const nlohmann::json& ad);

    using Completion = std::function<void(std::optional<nlohmann::json> answer, std::shared_ptr<DZSlot> slot,
                                          platform::ErrorRef)>;

    static std::shared_ptr<DZAdPreprocessor> create(const std::string& adUnitID);
    ~DZAdPreprocessor() override;
    DZAdPreprocessor(const DZAdPreprocessor&) = delete;
    DZAdPreprocessor& operator=(const DZAdPreprocessor&) = delete;

    const std::shared_ptr<DZSlot>& slot() const { return slot_; }
    void preprocessNativeAdJSON(const std::string& json, Completion completion);
    // {"sdk_version": "7.5.2"}, compact.
    static std::string environmentJSONString();

    // DZSlotAdLoadDelegate
    void slotFinishedLoadingAdContent(DZSlot&) override;
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override;

    explicit DZAdPreprocessor(const std::string& adUnitID);  // use create()

  private:
    void complete(std::optional<nlohmann::json> answer, std::shared_ptr<DZSlot> slot,
                  platform::ErrorRef error);
    void handleAnswer(const std::optional<std::string>& success);
    // Fails the pre-processing with a time-out `seconds` from now, in place of the time-out set.
    void startTimeout(double seconds);
    void stopObserving();

    std::shared_ptr<DZSlot> slot_;
    Completion completion_;
    std::string nativeAdJSON_;
    std::shared_ptr<platform::MainLoopTimer> timeout_;
    std::uint64_t observerToken_ = 0;
    // The page's view while its answer is awaited (told of an answer too long to arrive).
    std::weak_ptr<DZAdView> observedView_;
    bool pageLoaded_ = false;
};
