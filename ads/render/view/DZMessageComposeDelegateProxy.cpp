#include "ads/render/view/DZMessageComposeDelegateProxy.h"

void DZMessageComposeDelegateProxy::messageComposeViewControllerDidFinish(
    platform::compose::MessageComposeViewController& controller, platform::compose::ComposeResult result) {
    finished([&](platform::compose::MessageComposeDelegate& delegate) {
        delegate.messageComposeViewControllerDidFinish(controller, result);
    });
}
