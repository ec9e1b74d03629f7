#pragma once
// The announcement service as the app core drives it: the server check it starts and stops with
// the app, the pop-up and interstitial slot between screens, the URLs meant for it and the ad
// settings the last check brought. The service implements it above the shell.
#include <functional>
#include <map>
#include <optional>
#include <string>

class AppDoor;

class Announcements {
  public:
    virtual ~Announcements() = default;

    // Set once at launch; the service never owns the core. Null forgets it.
    virtual void setAppCore(AppDoor* core) = 0;
    virtual AppDoor* appCore() const = 0;
    // Starts a check unless the last one is too recent.
    virtual void startDownload() = 0;
    // The app goes to the background or ends: the check writes nothing more.
    virtual void shutdown() = 0;
    // Waits until the check's thread has ended.
    virtual void waitForDownload() = 0;
    // context: 1 game over, 2 or 4 from the title. Runs onDone once when the interstitial part
    // is over.
    virtual void showPopupAds(int context, const std::function<void()>& onDone) = 0;
    // Keeps one interstitial loading or ready while the server names an ad unit.
    virtual void requestInterstitialAd() = 0;
    virtual bool interstitialAdPresenting() const = 0;
    // A URL whose path begins "/announceManager/".
    virtual void processAmUrl(const std::string& url) = 0;
    // The ad settings of the last list, nothing before one was read.
    virtual std::optional<std::map<std::string, std::string>> amProperties() const = 0;
};
