#pragma once
// What one page may still spend: made anew each time the host loads a page into an ad view (never
// when the page navigates itself), and the one place every count of that page is kept. It is whom
// the page's pings count against, the budget its log lines are paid from, the rate of its
// messages, and the "so many a page, then one line" counters of what it asks for. Main thread
// only, apart from the log charge, which any thread may take.
#include <cstdint>
#include <memory>
#include <mutex>

#include "ads/foundation/DZLogCharge.h"
#include "ads/foundation/DZPingAsker.h"
#include "ads/render/bridge/DZPageCounter.h"
#include "ads/render/bridge/DZPageLogBudget.h"
#include "ads/render/bridge/DZRateBucket.h"

class DZPageAllowance : public std::enable_shared_from_this<DZPageAllowance> {
  public:
    // Messages the page may send at once, and a second after that.
    static constexpr int kMessageBurst = 100;
    static constexpr double kMessagesPerSecond = 50;
    // Overlay pages (each a page with an allowance of its own), precache downloads started (aborted
    // ones too) and video sources (each a new pipeline and fetch).
    static constexpr int kMaxOverlayLoads = 4;
    static constexpr int kMaxPrecacheStarts = 8;
    static constexpr int kMaxVideoSources = 16;

    // Whom the page's pings and clicks count against: this page alone.
    DZPingAsker pingAsker() const { return pingAsker_; }

    // One more message at `nowMilliseconds`: false past the rate, with one line for the page.
    bool takeMessage(std::uint64_t nowMilliseconds);

    // What becomes of one line the page causes, written now.
    DZLogAdmission admitLine();
    // The charge of a scope that bills this page's budget for every line logged in it (nothing once
    // the page is gone: then every line is written).
    DZLogChargeScope::Charge logCharge();

    DZPageCounter overlayLoads{kMaxOverlayLoads};
    DZPageCounter precacheStarts{kMaxPrecacheStarts};
    DZPageCounter videoSources{kMaxVideoSources};
    // Refusals the page hears of once: a click no tap explains, a link whose trackers were not
    // pinged.
    DZPageCounter unexplainedClicks{0};
    DZPageCounter unpingedTrackers{0};

  private:
    const DZPingAsker pingAsker_ = DZPingAsker::next();
    DZRateBucket messages_{kMessageBurst, kMessagesPerSecond};
    bool messagesTold_ = false;
    mutable std::mutex logMutex_;
    DZPageLogBudget log_;
};
