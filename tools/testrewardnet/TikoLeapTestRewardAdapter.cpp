#include "tools/testrewardnet/TikoLeapTestRewardAdapter.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "ads/core/DZAdReward.h"
#include "ads/core/DZAdServer.h"
#include "ads/core/DZValues.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZDictionaryAdditions.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/mediation/DZMRewardBasedVideoAdNetworkConnectorInterface.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/ViewController.h"
#include "tools/testrewardnet/TestRewardVideoController.h"

namespace tikoleap::testrewardnet {

using Connector = DZMRewardBasedVideoAdNetworkConnectorInterface;

namespace {

std::string textCredential(const nlohmann::json& credentials, const std::string& key) {
    const auto* value = dz_objectForKeyIfIsKindOfClass(credentials, key, DZValueKind::String);
    return value ? value->get_ref<const std::string&>() : std::string();
}

platform::ErrorRef networkError(long code, const std::string& description) {
    return std::make_shared<const platform::Error>(
        TikoLeapTestRewardAdapter::kErrorDomain, code,
        platform::Error::UserInfo{{platform::Error::kLocalizedDescriptionKey, description}});
}

}  // namespace

void TikoLeapTestRewardAdapter::registerClass() {
    static std::once_flag once;
    std::call_once(once, [] { dz_registerRewardBasedVideoAdapterClass<TikoLeapTestRewardAdapter>(kName); });
}

TikoLeapTestRewardAdapter::TikoLeapTestRewardAdapter() {
    ++live_;
}

TikoLeapTestRewardAdapter::~TikoLeapTestRewardAdapter() {
    stopped_->store(true);
    --live_;
}

TikoLeapTestRewardAdapter::Behaviour TikoLeapTestRewardAdapter::behaviour() const {
    Behaviour b;
    const auto connector = this->connector();
    if (!connector) return b;
    const nlohmann::json credentials = connector->credentials();
    if (const std::string mode = textCredential(credentials, "mode"); !mode.empty()) b.mode = mode;
    if (const auto* ms = dz_objectForKeyIfIsKindOfClass(credentials, "setup_ms", DZValueKind::Number)) {
        const auto value = dz_jsonNumberValue(*ms);
        if (value && std::isfinite(*value))
            b.setUpMs = std::clamp(static_cast<long>(*value), 0L, kMaxSetUpMs);
    }
    const std::string answer = textCredential(credentials, "answer");
    if (answer == "inside") b.answer = Answer::Inside;
    if (answer == "worker") b.answer = Answer::Worker;
    b.video = textCredential(credentials, "video");
    b.pubid = connector->publisherId().value_or("");
    return b;
}

void TikoLeapTestRewardAdapter::record(const std::string& step, const std::string& pubid) {
    // Every adapter's steps share one asker's share.
    static const DZPingAsker steps = DZPingAsker::next();
    const std::string url =
        DZAdServerURL("/adpage/track?testnet=" + step + "&pubid=" + dz_stringByEscapingAsURLParameter(pubid));
    if (recorder_)
        recorder_(url);
    else
        DZClickTrackerCollection::sharedInstance()->trackURL(url, steps);
}

template <class Tell>
void TikoLeapTestRewardAdapter::answer(Answer how, long delayMs, Tell tell) {
    std::weak_ptr<Connector> weakConnector = connector();
    std::weak_ptr<TikoLeapTestRewardAdapter> weakSelf = shared_from_this();
    auto stopped = stopped_;
    // Both are held only while telling; a worker hands its last hold back to the main loop, so
    // neither ends on the worker.
    auto run = [weakConnector, weakSelf, stopped, tell] {
        auto connector = weakConnector.lock();
        auto self = weakSelf.lock();
        if (!connector || !self || stopped->load()) return;
        tell(*connector, *self);
    };
    auto onWorker = [run, weakConnector, weakSelf] {
        auto keepConnector = weakConnector.lock();
        auto keepSelf = weakSelf.lock();
        run();
        platform::DispatchQueue::main()->async([keepConnector, keepSelf] {});
    };
    if (how == Answer::Worker) {
        if (delayMs > 0)
            platform::DispatchQueue::global()->after(static_cast<double>(delayMs) / 1000, onWorker);
        else
            platform::DispatchQueue::global()->async(onWorker);
    } else if (how == Answer::Inside && delayMs == 0) {
        run();
    } else {
        platform::DispatchQueue::main()->after(static_cast<double>(delayMs) / 1000, run);
    }
}

void TikoLeapTestRewardAdapter::setUpWithUserID(const std::optional<std::string>&) {
    const Behaviour b = behaviour();
    record("setup", b.pubid);
    if (b.mode == "fail-setup") {
        answer(b.answer, b.setUpMs, [](Connector& c, TikoLeapTestRewardAdapter& a) {
            c.adapterDidFailToSetUpRewardBasedVideoAd(a,
                                                      networkError(1, "the test network was told to fail"));
        });
        return;
    }
    answer(b.answer, b.setUpMs,
           [](Connector& c, TikoLeapTestRewardAdapter& a) { c.adapterDidSetUpRewardBasedVideoAd(a); });
}

void TikoLeapTestRewardAdapter::requestRewardBasedVideoAd() {
    const Behaviour b = behaviour();
    record("request", b.pubid);
    if (b.mode == "never") return;
    std::string error;
    if (b.mode == "fill") {
        player_ = TestRewardVideoController::preparePlayer(b.video, &error);
        filledPubid_ = b.pubid;
    } else {
        error =
            b.mode == "nofill" ? "the test network has no ad" : "the test network knows no mode " + b.mode;
    }
    if (!error.empty()) {
        player_.reset();
        answer(b.answer, 0, [error](Connector& c, TikoLeapTestRewardAdapter& a) {
            c.adapterDidFailToLoadRewardBasedVideoAd(a, networkError(2, error));
        });
        return;
    }
    answer(b.answer, 0,
           [](Connector& c, TikoLeapTestRewardAdapter& a) { c.adapterDidReceiveRewardBasedVideoAd(a); });
}

void TikoLeapTestRewardAdapter::presentRewardBasedVideoAdWithRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& rootViewController) {
    record("present", filledPubid_);
    if (!player_ || !rootViewController || shown_) {
        DZLogger::sharedInstance()->logPublicMessage(kName + " has no video ready to show.");
        return;
    }
    std::weak_ptr<TikoLeapTestRewardAdapter> weak = shared_from_this();
    auto call = [weak](void (TikoLeapTestRewardAdapter::*step)()) {
        return [weak, step] {
            if (auto self = weak.lock()) ((*self).*step)();
        };
    };
    shown_ = TestRewardVideoController::create(
        std::move(player_),
        {call(&TikoLeapTestRewardAdapter::videoStarted), call(&TikoLeapTestRewardAdapter::videoEnded),
         call(&TikoLeapTestRewardAdapter::videoClosed)});
    if (!rootViewController->presentViewController(shown_, true,
                                                   call(&TikoLeapTestRewardAdapter::videoOpened))) {
        DZLogger::sharedInstance()->logPublicMessage(kName + " could not show its video over the root.");
        shown_.reset();
    }
}

void TikoLeapTestRewardAdapter::stopBeingDelegate() {
    stopped_->store(true);
}

void TikoLeapTestRewardAdapter::videoOpened() {
    auto connector = this->connector();
    if (connector && !stopped_->load()) connector->adapterDidOpenRewardBasedVideoAd(*this);
}

void TikoLeapTestRewardAdapter::videoStarted() {
    auto connector = this->connector();
    if (connector && !stopped_->load()) connector->adapterDidStartPlayingRewardBasedVideoAd(*this);
}

void TikoLeapTestRewardAdapter::videoEnded() {
    auto connector = this->connector();
    if (connector && !stopped_->load())
        connector->adapterDidRewardUser(*this, DZAdReward::initWithRewardType(kRewardType, kRewardAmount));
}

void TikoLeapTestRewardAdapter::videoClosed() {
    // Held: the connector may let this adapter go when it hears of the close.
    auto self = shared_from_this();
    shown_.reset();
    auto connector = this->connector();
    if (connector && !stopped_->load()) connector->adapterDidCloseRewardBasedVideoAd(*this);
}

}  // namespace tikoleap::testrewardnet
