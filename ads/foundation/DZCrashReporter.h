#pragma once
// Reports uncaught exceptions that come from the ad component. The reporter's terminate handler
// stands in front of the one the app installed: when the exception's reason or its stack names
// the component, a one-line report is written into the pinger's retry store (under the store's
// lock, and flushed to disk) before the handler hands on, so the report goes out at the next
// launch even if it cannot go out now. The app's own name never leaves the device: it is replaced
// in every stack line, and an unrelated reason is replaced as a whole.
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

inline const std::string kDZCrashReportingGroupKey = "/rerive/ads/crash_reporting";
inline const std::string kDZPrefetchExperimentIDKey = "/rerive/ads/prefetch_experiment_id";

class DZPinger;

// What a report says about where it comes from.
struct DZCrashReportFacts {
    std::string os;      // system version
    std::string appid;   // the app's bundle identifier
    std::string api;     // the app's version
    std::string js;      // the component's version
    std::string device;  // device model
};

class DZCrashReporter {
  public:
    static constexpr std::size_t kMaxReportLength = 500;

    static DZCrashReporter& sharedInstance();

    // Installs the handler in front of the current one (once; a second call changes nothing), and
    // takes the facts reports carry from the device and the application state.
    void enableReporting();
    // Puts the saved handler back, if ours is still the current one.
    void disableReporting();
    bool isEnabled() const { return enabled_; }

    // Where reports go: https://<reporting host>/adpage/gen_204 by default; the environment
    // variable TIKOLEAP_AD_REPORT_URL replaces the base (tests point it at loopback).
    static std::string reportBaseURL();
    void setReportBaseURL(std::string url) { baseURL_ = std::move(url); }
    const DZCrashReportFacts& facts() const { return facts_; }
    // os, appid, api and device as the device facts and the application state give them.
    static DZCrashReportFacts componentFacts();
    void setPinger(std::shared_ptr<DZPinger> pinger) { pinger_ = std::move(pinger); }

    // The report text of an exception: its name, its cleaned reason (or "filtered"), and every
    // cleaned stack line with the process name replaced, joined by "-", at most 500 characters.
    // Empty when nothing in it names the component.
    static std::string reportText(const std::string& name, const std::string& reason,
                                  const std::vector<std::string>& stack, const std::string& processName);
    // Runs of white space, "-", "+", "[", "]" and ":" become one "_".
    static std::string clean(const std::string& text);
    // The report URL for a text.
    std::string reportURL(const std::string& text) const;

    // What the handler does before handing on: builds and stores the report. Exposed so the
    // steps can be checked without ending the process.
    bool report(const std::string& name, const std::string& reason, const std::vector<std::string>& stack);

  private:
    DZCrashReporter();
    static void handleTerminate();

    bool enabled_ = true;
    std::string baseURL_;
    DZCrashReportFacts facts_;
    std::shared_ptr<DZPinger> pinger_;
    std::terminate_handler previous_ = nullptr;
};
