#pragma once
// The page's timing measurements ("instrument") on the handler base: the foundation's handler
// does the work, this only puts it in the dispatch.
#include <memory>

#include "ads/foundation/DZCSIAMSGHandler.h"
#include "ads/render/bridge/DZAMSGHandler.h"

class DZCSIMessageHandler : public DZAMSGHandler {
  public:
    explicit DZCSIMessageHandler(std::shared_ptr<DZCSI> csi = nullptr) : handler_(std::move(csi)) {}

    const ActionTable& actionBlockDictionary() const override;

  private:
    DZCSIAMSGHandler handler_;
};
