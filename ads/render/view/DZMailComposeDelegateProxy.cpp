#include "ads/render/view/DZMailComposeDelegateProxy.h"

void DZMailComposeDelegateProxy::mailComposeControllerDidFinish(
    platform::compose::MailComposeViewController& controller, platform::compose::ComposeResult result) {
    finished([&](platform::compose::MailComposeDelegate& delegate) {
        delegate.mailComposeControllerDidFinish(controller, result);
    });
}
