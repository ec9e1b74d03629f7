#pragma once
// A text message composer: its recipients and body as the caller filled them in. The user's Send
// or Cancel reaches the delegate through finishWithResult. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/compose/ComposeService.h"
#include "platform/ui/ViewController.h"

namespace platform::compose {

class MessageComposeViewController;

class MessageComposeDelegate {
  public:
    virtual ~MessageComposeDelegate() = default;
    virtual void messageComposeViewControllerDidFinish(MessageComposeViewController& controller,
                                                       ComposeResult result) = 0;
};

class MessageComposeViewController : public ui::ViewController {
  public:
    void setRecipients(std::vector<std::string> recipients) { recipients_ = std::move(recipients); }
    void setBody(std::string body) { body_ = std::move(body); }
    const std::vector<std::string>& recipients() const { return recipients_; }
    const std::string& body() const { return body_; }

    void setMessageComposeDelegate(std::weak_ptr<MessageComposeDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<MessageComposeDelegate> messageComposeDelegate() const { return delegate_.lock(); }
    // The user is done with the message.
    void finishWithResult(ComposeResult result);

  private:
    std::vector<std::string> recipients_;
    std::string body_;
    std::weak_ptr<MessageComposeDelegate> delegate_;
};

}  // namespace platform::compose
