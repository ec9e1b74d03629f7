#pragma once
// "appEvent": the creative's named event (with optional info) for the host's owner. The page
// writes both, and the app may show or store them: a name must be a short line of text (no control
// character), the info a text of at most kMaxInfoBytes; an event past either is refused with a log
// line, never cut, so the app never sees half of what the page meant.
#include <cstddef>
#include <memory>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZAdHost;

class DZAppEventAMSGHandler : public DZAMSGHandler {
  public:
    static constexpr std::size_t kMaxNameBytes = 256;
    static constexpr std::size_t kMaxInfoBytes = 64 * 1024;

    explicit DZAppEventAMSGHandler(std::weak_ptr<DZAdHost> host = {}) : host_(std::move(host)) {}

    const ActionTable& actionBlockDictionary() const override;
    std::shared_ptr<DZAdHost> host() const { return host_.lock(); }

    void didReceiveAppEventNotification(const DZAMSGArguments& arguments);

  private:
    std::weak_ptr<DZAdHost> host_;
};
