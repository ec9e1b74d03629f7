#pragma once
// The pages of our own that the local ad server serves to the ad component: the SDK core page
// (answers ad requests by unit and a mediation request without an ad unit with the house banner,
// sends the server's constants, fetches through the native side, posts each Zadava Duru unit to
// /zd/unit and says when a measured ad becomes visible, at least half of it showing, or stops
// being so) and the bridge creative (sends one of each kind of page message). Both send their
// messages through a queue, one message per task: two location changes in one task reach the web
// engine as one, and the first is lost.
#include <string>

namespace tikoleap::adserver {

class CorePage {
  public:
    // The core page, with the house banner's ad dictionary (JSON) written into it.
    static std::string html(const std::string& houseBannerAdJSON);
    // The bridge creative.
    static std::string bridgeHTML();
    // The message queue the pages share (tlSend(name, params), and tlFollow(url) for a link followed
    // in turn with the messages), for other pages of ours.
    static const char* messageQueueScript();
};

}  // namespace tikoleap::adserver
