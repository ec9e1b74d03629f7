#pragma once
// The test reward network: a reward-based video adapter for the probe, the tests and the
// benchmarks (never the game), registered as TikoLeapTestRewardAdapter. Each network entry's
// credentials choose how it behaves, read afresh at every set-up and request (one adapter serves
// every entry of its class):
//   "mode"      "fill" (the default), "nofill" (the request fails), "never" (the request is never
//               answered), "fail-setup" (the set-up fails);
//   "setup_ms"  how long the set-up takes (0 to kMaxSetUpMs; default 0);
//   "answer"    "inside" the call that asked, from a "worker" thread, or (the default) from the
//               main loop's next turn;
//   "video"     the http or https URL of the video a fill plays.
// It records each set-up, request and present on the ad server as
// GET /adpage/track?testnet=STEP&pubid=ID. A presented ad shows TestRewardVideoController; it
// reports open once shown, start at the first picture drawn, its own reward (kRewardAmount
// kRewardType) at the end of the video, and close once its close button has dismissed it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/mediation/DZMRewardBasedVideoAdNetworkAdapter.h"

namespace platform::media {
class MediaPlayer;
}

namespace tikoleap::testrewardnet {

class TestRewardVideoController;

class TikoLeapTestRewardAdapter : public DZMRewardBasedVideoAdNetworkAdapter,
                                  public std::enable_shared_from_this<TikoLeapTestRewardAdapter> {
  public:
    inline static const std::string kName = "TikoLeapTestRewardAdapter";
    inline static const std::string kRewardType = "gems";
    inline static const std::string kRewardAmount = "5";
    static constexpr long kMaxSetUpMs = 600000;
    inline static const std::string kErrorDomain = "TikoLeapTestRewardNetwork";

    // Registers the class (once; later calls do nothing).
    static void registerClass();
    // Adapters alive now (tests count what leaks).
    static int liveAdapters() { return live_; }
    // Where the records go (main thread): by default a ping of the URL; tests keep them instead.
    using Recorder = std::function<void(const std::string& url)>;
    static void setRecorder(Recorder recorder) { recorder_ = std::move(recorder); }

    TikoLeapTestRewardAdapter();
    ~TikoLeapTestRewardAdapter() override;

    void setUpWithUserID(const std::optional<std::string>& userID) override;
    void requestRewardBasedVideoAd() override;
    void presentRewardBasedVideoAdWithRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& rootViewController) override;
    void stopBeingDelegate() override;
    std::string adapterVersion() const override { return "1.0"; }
    std::optional<std::string> networkExtrasClass() const override { return std::nullopt; }

    // The screen shown now (null when none).
    const std::shared_ptr<TestRewardVideoController>& shownController() const { return shown_; }

  private:
    enum class Answer { NextTurn, Inside, Worker };
    // What the entry's credentials ask; read on the main thread.
    struct Behaviour {
        std::string mode = "fill";
        long setUpMs = 0;
        Answer answer = Answer::NextTurn;
        std::string video;
        std::string pubid;
    };
    Behaviour behaviour() const;
    static void record(const std::string& step, const std::string& pubid);
    // Runs `tell` with the connector as `how` asks, after `delayMs`; nothing once told to stop.
    template <class Tell>
    void answer(Answer how, long delayMs, Tell tell);

    void videoOpened();
    void videoStarted();
    void videoEnded();
    void videoClosed();

    // Set by stopBeingDelegate(); read by answers on other threads.
    std::shared_ptr<std::atomic<bool>> stopped_ = std::make_shared<std::atomic<bool>>(false);
    // The ad a fill prepared: its player and the entry it came from.
    std::shared_ptr<platform::media::MediaPlayer> player_;
    std::string filledPubid_;
    std::shared_ptr<TestRewardVideoController> shown_;
    inline static std::atomic<int> live_{0};
    inline static Recorder recorder_;
};

}  // namespace tikoleap::testrewardnet
