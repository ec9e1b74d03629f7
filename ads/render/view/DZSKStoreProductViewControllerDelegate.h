#pragma once
// Closes the store sheets an opener shows when the user is done with them: through the sheet's
// overlay proxy when it has one, so that the host's intermission ends with it. One shared
// instance serves every sheet. Main thread only.
#include <memory>

#include "platform/store/StoreProductViewController.h"

class DZSKStoreProductViewControllerDelegate : public platform::store::StoreProductViewControllerDelegate {
  public:
    static std::shared_ptr<DZSKStoreProductViewControllerDelegate> sharedInstance();
    void productViewControllerDidFinish(platform::store::StoreProductViewController& controller) override;
};
