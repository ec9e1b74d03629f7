#pragma once
// A desktop that can send mail and text: it keeps the composers it made so that a test can read
// what they were filled with and finish them.
#include <memory>
#include <vector>

#include "platform/compose/ComposeService.h"
#include "platform/compose/MailComposeViewController.h"
#include "platform/compose/MessageComposeViewController.h"

namespace platform::compose {

class FakeComposeService : public ComposeService {
  public:
    bool canSendMail() const override { return true; }
    bool canSendText() const override { return true; }
    std::shared_ptr<MailComposeViewController> makeMailComposer() override {
        auto composer = std::make_shared<MailComposeViewController>();
        mail.push_back(composer);
        return composer;
    }
    std::shared_ptr<MessageComposeViewController> makeMessageComposer() override {
        auto composer = std::make_shared<MessageComposeViewController>();
        messages.push_back(composer);
        return composer;
    }

    std::vector<std::shared_ptr<MailComposeViewController>> mail;
    std::vector<std::shared_ptr<MessageComposeViewController>> messages;
};

}  // namespace platform::compose
