#include "platform/compose/MailComposeViewController.h"

namespace platform::compose {

void MailComposeViewController::finishWithResult(ComposeResult result) {
    // The delegate closes the composer, which may be its last owner.
    auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) delegate->mailComposeControllerDidFinish(*this, result);
}

}  // namespace platform::compose
