#pragma once
// Lets an ad page add measurements through the page-to-native message "instrument": its
// "action" parameter picks "tick" (a page timestamp, measured from a start label), "experiment"
// (an experiment ID) or "extra" (a report parameter), all for the action "make_wv". The ad
// view's message bridge hands each message to handleNotification(); the parameters are the
// page's, so every value is checked before use.
#include <functional>
#include <map>
#include <memory>
#include <string>

class DZCSI;

class DZCSIAMSGHandler {
  public:
    using Parameters = std::map<std::string, std::string>;

    // The hub the measurements go to (the shared one by default).
    explicit DZCSIAMSGHandler(std::shared_ptr<DZCSI> csi = nullptr);

    // Whether the message is one this handler knows ("instrument").
    bool handleNotification(const std::string& name, const Parameters& parameters);
    void didReceiveCSINotification(const Parameters& parameters);
    void didReceiveTickAction(const Parameters& parameters);
    void didReceiveExperimentAction(const Parameters& parameters);
    void didReceiveExtraAction(const Parameters& parameters);

  private:
    std::shared_ptr<DZCSI> csi();

    std::shared_ptr<DZCSI> csi_;
};
