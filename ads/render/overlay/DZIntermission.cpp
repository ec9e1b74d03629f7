#include "ads/render/overlay/DZIntermission.h"

#include <algorithm>

#include "ads/render/host/DZAdHost.h"
#include "ads/render/overlay/DZIntermitting.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/Application.h"

using platform::ui::Application;
using platform::ui::NotificationCenter;

std::shared_ptr<DZIntermission> DZIntermission::create(const std::shared_ptr<DZAdHost>& host) {
    if (!host) return nullptr;
    return std::make_shared<DZIntermission>(host);
}

DZIntermission::DZIntermission(std::weak_ptr<DZAdHost> host) : host_(std::move(host)) {}

DZIntermission::~DZIntermission() {
    const bool hadActive = !active_.empty();
    if (hadActive) willEnd();
    if (hadActive || !deactivating_.empty()) didEnd();
    if (foregroundObserver_) NotificationCenter::defaultCenter().removeObserver(foregroundObserver_);
}

bool DZIntermission::contains(const Entries& set, const DZIntermitting* key) {
    return std::any_of(set.begin(), set.end(), [key](const Entry& e) { return e.key == key; });
}

void DZIntermission::erase(Entries& set, const DZIntermitting* key) {
    std::erase_if(set, [key](const Entry& e) { return e.key == key; });
}

bool DZIntermission::isActive(const DZIntermitting* participant) const {
    return contains(active_, participant);
}

void DZIntermission::dropVanishedParticipants() {
    auto gone = [](const Entry& e) {
        auto participant = e.participant.lock();
        return !participant || participant->hasLeftScreen();
    };
    const bool wasActive = !active_.empty();
    const bool wasBusy = wasActive || !deactivating_.empty();
    std::erase_if(active_, gone);
    std::erase_if(deactivating_, gone);
    if (wasActive && active_.empty()) willEnd();
    if (wasBusy && active_.empty() && deactivating_.empty()) {
        didEnd();
        scheduleNextDismissal();
    }
}

void DZIntermission::addParticipant(const std::shared_ptr<DZIntermitting>& participant) {
    if (!participant) return;
    auto self = shared_from_this();
    dropVanishedParticipants();
    if (contains(active_, participant.get())) return;
    // A participant that joins again while it is still leaving stays where it is.
    if (contains(deactivating_, participant.get())) return;
    if (active_.empty() && deactivating_.empty()) begin();
    active_.push_back({participant.get(), participant});
}

void DZIntermission::begin() {
    if (auto host = host_.lock()) host->adWillPresentScreen();
    auto& app = Application::shared();
    publisherIdleTimerDisabled_ = app.isIdleTimerDisabled();
    app.setIdleTimerDisabled(true);
    statusBarWasOriginallyHidden_ = app.isStatusBarHidden();
    statusBarOverridden_ = false;
    if (!foregroundObserver_) {
        std::weak_ptr<DZIntermission> weak = weak_from_this();
        foregroundObserver_ = NotificationCenter::defaultCenter().addObserver(
            platform::ui::kApplicationWillEnterForegroundNotification,
            [weak](const platform::ui::Notification&) {
                if (auto self = weak.lock()) self->applicationWillEnterForeground();
            },
            this);
    }
}

void DZIntermission::participantWillOverrideStatusBarVisibility(const DZIntermitting*) {
    statusBarOverridden_ = true;
}

void DZIntermission::participantWillRelinquishScreen(const DZIntermitting* participant) {
    auto self = weak_from_this().lock();
    dropVanishedParticipants();
    auto it = std::find_if(active_.begin(), active_.end(),
                           [participant](const Entry& e) { return e.key == participant; });
    if (it == active_.end()) return;
    deactivating_.push_back(*it);
    active_.erase(it);
    if (active_.empty()) willEnd();
}

void DZIntermission::participantDidRelinquishScreen(const DZIntermitting* participant) {
    auto self = weak_from_this().lock();
    dropVanishedParticipants();
    if (contains(active_, participant)) participantWillRelinquishScreen(participant);
    if (!contains(deactivating_, participant)) return;
    erase(deactivating_, participant);
    if (active_.empty() && deactivating_.empty()) didEnd();
    if (deactivating_.empty()) scheduleNextDismissal();
}

void DZIntermission::willEnd() {
    auto& app = Application::shared();
    app.setIdleTimerDisabled(publisherIdleTimerDisabled_);
    if (statusBarOverridden_) app.setStatusBarHidden(statusBarWasOriginallyHidden_);
    statusBarOverridden_ = false;
    if (auto host = host_.lock()) host->adWillDismissScreen();
}

void DZIntermission::didEnd() {
    if (foregroundObserver_) {
        NotificationCenter::defaultCenter().removeObserver(foregroundObserver_);
        foregroundObserver_ = 0;
    }
    if (auto host = host_.lock()) host->adDidDismissScreen();
}

void DZIntermission::applicationWillEnterForeground() {
    dropVanishedParticipants();
    const Entries snapshot = active_;
    for (const auto& entry : snapshot) {
        auto participant = entry.participant.lock();
        if (participant && participant->shouldDismissOnApplicationEnteringForeground()) {
            queue_.push_back(participant);
        }
    }
    scheduleNextDismissal();
}

void DZIntermission::scheduleNextDismissal() {
    if (dismissalScheduled_ || queue_.empty() || suspended()) return;
    dismissalScheduled_ = true;
    std::weak_ptr<DZIntermission> weak = weak_from_this();
    platform::DispatchQueue::main()->async([weak] {
        if (auto self = weak.lock()) self->runNextDismissal();
    });
}

void DZIntermission::runNextDismissal() {
    dismissalScheduled_ = false;
    if (suspended()) return;  // resumed when the leaving screen has gone
    while (!queue_.empty()) {
        auto participant = queue_.front().lock();
        queue_.pop_front();
        if (!participant || !contains(active_, participant.get())) continue;
        participant->relinquishScreenWithCompletion({});
        break;
    }
    scheduleNextDismissal();
}
