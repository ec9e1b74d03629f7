#include "ads/render/overlay/DZModalOverlayPresenter.h"

#include "ads/render/overlay/DZIntermission.h"
#include "ads/render/overlay/DZViewController.h"
#include "platform/ui/Application.h"

using platform::ui::NotificationCenter;

DZModalOverlayPresenter::~DZModalOverlayPresenter() {
    stopObserving();
}

std::shared_ptr<platform::ui::ViewController> DZModalOverlayPresenter::presentationViewController() const {
    return presented_.lock();
}

void DZModalOverlayPresenter::stopObserving() {
    if (!foregroundObserver_) return;
    NotificationCenter::defaultCenter().removeObserver(foregroundObserver_);
    foregroundObserver_ = 0;
}

void DZModalOverlayPresenter::hideStatusBar() {
    auto presented = presented_.lock();
    // A controller taken off by someone else no longer hides the bar on a return.
    if (!presented || !presented->isOnScreen() ||
        presented->modalPresentationStyle() != platform::ui::ModalPresentationStyle::FullScreen) {
        return;
    }
    if (auto intermission = presented->intermission()) {
        intermission->participantWillOverrideStatusBarVisibility(presented.get());
    }
    auto& app = platform::ui::Application::shared();
    statusBarWasHidden_ = app.isStatusBarHidden();
    app.setStatusBarHidden(true);
}

bool DZModalOverlayPresenter::presentFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& from, std::function<void()> completion) {
    auto presented = presented_.lock();
    if (!presented || !from) return false;
    hideStatusBar();
    stopObserving();
    std::weak_ptr<DZModalOverlayPresenter> weak = weak_from_this();
    foregroundObserver_ = NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationWillEnterForegroundNotification,
        [weak](const platform::ui::Notification&) {
            if (auto self = weak.lock()) self->hideStatusBar();
        },
        this);
    if (from->presentViewController(presented, true, std::move(completion))) return true;
    stopObserving();
    return false;
}

void DZModalOverlayPresenter::dismissWithCompletionHandler(std::function<void()> completion) {
    stopObserving();
    auto presented = presented_.lock();
    auto* presenting = presented ? presented->presentingViewController() : nullptr;
    if (presenting && presenting->presentedViewController() == presented) {
        presenting->dismissViewController(true, std::move(completion));
        return;
    }
    if (completion) completion();
}
