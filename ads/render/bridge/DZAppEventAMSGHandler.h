#pragma once
// "appEvent": the creative's named event (with optional info) for the host's owner.
#include <memory>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZAdHost;

class DZAppEventAMSGHandler : public DZAMSGHandler {
  public:
    explicit DZAppEventAMSGHandler(std::weak_ptr<DZAdHost> host = {}) : host_(std::move(host)) {}

    const ActionTable& actionBlockDictionary() const override;
    std::shared_ptr<DZAdHost> host() const { return host_.lock(); }

    void didReceiveAppEventNotification(const DZAMSGArguments& arguments);

  private:
    std::weak_ptr<DZAdHost> host_;
};
