#pragma once
// The bookkeeping of the time an ad covers the app, one per host: every full-screen ad screen
// and every system sheet shown for the ad takes part. The host hears once that a screen comes
// (when the first joins), once that it starts going (when the last one starts leaving) and once
// that it has gone; the idle timer is held off meanwhile and given back as the app had it, and the
// status bar is restored when a presenter hid it. When the app returns to the foreground, the
// screens that ask for it close one after another, in order, on the main loop: the next starts
// only once no screen is leaving. Participants are held weakly. Main thread only.
#include <deque>
#include <memory>
#include <vector>

#include "platform/ui/NotificationCenter.h"

class DZIntermitting;
class DZAdHost;

class DZIntermission : public std::enable_shared_from_this<DZIntermission> {
  public:
    // Null without a host.
    static std::shared_ptr<DZIntermission> create(const std::shared_ptr<DZAdHost>& host);
    explicit DZIntermission(std::weak_ptr<DZAdHost> host);  // use create()
    ~DZIntermission();
    DZIntermission(const DZIntermission&) = delete;
    DZIntermission& operator=(const DZIntermission&) = delete;

    void addParticipant(const std::shared_ptr<DZIntermitting>& participant);
    void participantWillRelinquishScreen(const DZIntermitting* participant);
    void participantDidRelinquishScreen(const DZIntermitting* participant);
    void participantWillOverrideStatusBarVisibility(const DZIntermitting* participant);
    // Forgets participants that no longer exist, ending the intermission when none is left.
    void dropVanishedParticipants();

    std::size_t activeParticipantCount() const { return active_.size(); }
    std::size_t deactivatingParticipantCount() const { return deactivating_.size(); }
    bool isActive(const DZIntermitting* participant) const;
    // Foreground dismissals waiting their turn.
    std::size_t queuedDismissalCount() const { return queue_.size(); }

  private:
    struct Entry {
        const DZIntermitting* key;
        std::weak_ptr<DZIntermitting> participant;
    };
    using Entries = std::vector<Entry>;
    static bool contains(const Entries& set, const DZIntermitting* key);
    static void erase(Entries& set, const DZIntermitting* key);
    void begin();
    void willEnd();
    void didEnd();
    void applicationWillEnterForeground();
    bool suspended() const { return !deactivating_.empty(); }
    void scheduleNextDismissal();
    void runNextDismissal();

    std::weak_ptr<DZAdHost> host_;
    Entries active_;
    Entries deactivating_;
    std::deque<std::weak_ptr<DZIntermitting>> queue_;
    bool dismissalScheduled_ = false;
    bool publisherIdleTimerDisabled_ = false;
    bool statusBarWasOriginallyHidden_ = false;
    bool statusBarOverridden_ = false;
    platform::ui::NotificationCenter::Token foregroundObserver_ = 0;
};
