#include "platform/compose/MessageComposeViewController.h"

namespace platform::compose {

void MessageComposeViewController::finishWithResult(ComposeResult result) {
    // The delegate closes the composer, which may be its last owner.
    auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) delegate->messageComposeViewControllerDidFinish(*this, result);
}

}  // namespace platform::compose
