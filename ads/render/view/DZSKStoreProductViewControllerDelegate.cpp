#include "ads/render/view/DZSKStoreProductViewControllerDelegate.h"

#include "ads/render/view/DZOverlayProxy.h"

std::shared_ptr<DZSKStoreProductViewControllerDelegate>
DZSKStoreProductViewControllerDelegate::sharedInstance() {
    static const auto instance = std::make_shared<DZSKStoreProductViewControllerDelegate>();
    return instance;
}

void DZSKStoreProductViewControllerDelegate::productViewControllerDidFinish(
    platform::store::StoreProductViewController& controller) {
    if (auto proxy = DZOverlayProxy::overlayProxyForViewController(&controller)) {
        proxy->relinquishScreenWithCompletion({});
        return;
    }
    if (auto* presenting = controller.presentingViewController()) presenting->dismissViewController(true);
}
