#include "ads/render/overlay/DZViewController.h"

#include "ads/core/DZAd.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/overlay/DZIntermission.h"
#include "ads/render/overlay/DZModalOverlayPresenter.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/View.h"

using platform::ui::NotificationCenter;

DZViewController::DZViewController() {
    setModalTransitionStyle(platform::ui::ModalTransitionStyle::CoverVertical);
}

DZViewController::~DZViewController() {
    if (auto completion = std::move(dismissalCompletion_)) completion();
    recordDismissal();
    // Gone without a dismissal: the intermission must not wait for this screen any more.
    if (auto intermission = std::move(intermission_)) intermission->dropVanishedParticipants();
}

void DZViewController::recordDismissal() {
    auto host = host_.lock();
    auto statistics = host && host->ad() ? host->ad()->statistics() : nullptr;
    if (!statistics) return;
    const auto now = DZAbsoluteTime::absoluteTimeInMilliseconds();
    statistics->setObjectForKey(now, "tlanding_page_load_dismiss", true);
    if (auto click = statistics->objectForKey("tclickcurr")) {
        statistics->addObjectToArrayWithKey(nlohmann::json::array({*click, now}), "tclick", true);
    }
}

void DZViewController::setPresenter(std::shared_ptr<DZOverlayPresenting> presenter) {
    presenter_ = std::move(presenter);
    if (presenter_) presenter_->setPresentedViewController(sharedSelf());
}

void DZViewController::presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& from,
                                                 std::function<void()> completion) {
    if (!from) {
        DZLog("No UIViewController supplied to the ad. Cannot continue.");
        return;
    }
    if (phase_ != Phase::Idle) return;
    auto self = sharedSelf();
    if (!presenter_) setPresenter(std::make_shared<DZModalOverlayPresenter>());
    auto presenter = presenter_;
    if (!presenter->isReadyToPresent()) return;

    view()->setUserInteractionEnabled(false);
    retainCycle_ = self;
    phase_ = Phase::Presenting;
    NotificationCenter::defaultCenter().post(kWillPresentFullScreenNotification, this);
    addToCurrentIntermission();

    std::weak_ptr<DZViewController> weak = self;
    const bool started = presenter->presentFromViewController(from, [weak, completion] {
        if (auto controller = weak.lock()) controller->finishAppearing();
        if (completion) completion();
    });
    if (started) return;
    // The screen refused (the presenting one already shows something): undo every step, so the
    // hosts and the intermission stay balanced and nothing keeps this controller alive.
    phase_ = Phase::Idle;
    retainCycle_.reset();
    if (auto intermission = std::move(intermission_)) {
        intermission->participantWillRelinquishScreen(this);
        intermission->participantDidRelinquishScreen(this);
    }
    NotificationCenter::defaultCenter().post(kDidDismissFullScreenNotification, this);
}

void DZViewController::relinquishScreenWithCompletion(std::function<void()> completion) {
    if (phase_ == Phase::Idle) {
        if (completion) completion();
        return;
    }
    if (completion) leaveCompletions_.push_back(std::move(completion));
    if (phase_ == Phase::Leaving) return;
    auto self = sharedSelf();
    phase_ = Phase::Leaving;
    if (isViewLoaded()) view()->setUserInteractionEnabled(false);
    retainCycle_.reset();
    if (auto intermission = intermission_) intermission->participantWillRelinquishScreen(this);
    if (auto presenter = presenter_) {
        presenter->dismissWithCompletionHandler([self] { self->finishDismissal(); });
    } else {
        finishDismissal();
    }
    NotificationCenter::defaultCenter().post(kDidDismissFullScreenNotification, this);
}

void DZViewController::finishAppearing() {
    if (phase_ != Phase::Presenting) return;
    phase_ = Phase::Shown;
    if (isViewLoaded()) view()->setUserInteractionEnabled(true);
}

void DZViewController::finishDismissal() {
    phase_ = Phase::Idle;
    if (auto intermission = std::move(intermission_)) intermission->participantDidRelinquishScreen(this);
    if (auto completion = std::move(dismissalCompletion_)) completion();
    auto completions = std::move(leaveCompletions_);
    leaveCompletions_.clear();
    for (auto& completion : completions) completion();
}

void DZViewController::addToCurrentIntermission() {
    auto host = host_.lock();
    if (!host) return;
    if (!host->intermission()) host->setIntermission(DZIntermission::create(host));
    intermission_ = host->intermission();
    intermission_->addParticipant(sharedSelf());
}

bool DZViewController::presentViewController(std::shared_ptr<platform::ui::ViewController> controller,
                                             bool animated, std::function<void()> completion) {
    auto target = presenter_ ? presenter_->presentationViewController() : nullptr;
    if (target && target.get() != this) {
        return target->presentViewController(std::move(controller), animated, std::move(completion));
    }
    return ViewController::presentViewController(std::move(controller), animated, std::move(completion));
}

void DZViewController::dismissViewController(bool animated, std::function<void()> completion) {
    auto target = presenter_ ? presenter_->presentationViewController() : nullptr;
    if (target && target.get() != this) {
        target->dismissViewController(animated, std::move(completion));
        return;
    }
    ViewController::dismissViewController(animated, std::move(completion));
}

void DZViewController::viewDidLoad() {
    auto v = view();
    v->setBackgroundColor(platform::ui::Color::black());
    v->setClipsToBounds(true);
}

void DZViewController::viewWillAppear(bool) {
    if (isBeingPresented() && !intermission_) addToCurrentIntermission();
}

void DZViewController::viewDidAppear(bool) {
    viewDidAppear_ = true;
}

void DZViewController::viewWillDisappear(bool) {
    if (!isBeingDismissed()) return;
    if (phase_ == Phase::Presenting || phase_ == Phase::Shown) {
        // Taken off by someone else (the screen below went): leave as a relinquish would.
        phase_ = Phase::Leaving;
        if (isViewLoaded()) view()->setUserInteractionEnabled(false);
        // Dropped after the platform's call returns; it still uses this controller.
        if (auto keep = std::move(retainCycle_)) platform::DispatchQueue::main()->async([keep] {});
        NotificationCenter::defaultCenter().post(kDidDismissFullScreenNotification, this);
    }
    if (auto intermission = intermission_) intermission->participantWillRelinquishScreen(this);
}

void DZViewController::viewDidDisappear(bool) {
    viewDidAppear_ = false;
    if (isBeingDismissed()) finishDismissal();
}
