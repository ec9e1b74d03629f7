#pragma once
// "enableSwipeToViewController" ("swipe_direction": "top_to_bottom" or "bottom_to_top", any other
// value none; "ad_draggable": only "1" lets the ad's picture travel with the page) and
// "disableSwipeToViewController": the creative's say over its host's swipe. Messages for a host
// whose ad has no swipe configurations change nothing. The host is held weakly.
#include <memory>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZAdHost;

class DZSwipeToViewControllerAMSGHandler : public DZAMSGHandler {
  public:
    explicit DZSwipeToViewControllerAMSGHandler(std::weak_ptr<DZAdHost> host = {}) : host_(std::move(host)) {}

    const ActionTable& actionBlockDictionary() const override;
    std::shared_ptr<DZAdHost> host() const { return host_.lock(); }
    void setHost(std::weak_ptr<DZAdHost> host) { host_ = std::move(host); }

    void enableSwipeToViewController(const DZAMSGArguments& arguments);
    void disableSwipeToViewController(const DZAMSGArguments& arguments);

  private:
    std::weak_ptr<DZAdHost> host_;
};
