#pragma once
// A mail composer: its recipients, subject and body as the caller filled them in. The user's
// Send or Cancel reaches the delegate through finishWithResult. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/compose/ComposeService.h"
#include "platform/ui/ViewController.h"

namespace platform::compose {

class MailComposeViewController;

class MailComposeDelegate {
  public:
    virtual ~MailComposeDelegate() = default;
    virtual void mailComposeControllerDidFinish(MailComposeViewController& controller,
                                                ComposeResult result) = 0;
};

class MailComposeViewController : public ui::ViewController {
  public:
    void setToRecipients(std::vector<std::string> to) { to_ = std::move(to); }
    void setCcRecipients(std::vector<std::string> cc) { cc_ = std::move(cc); }
    void setBccRecipients(std::vector<std::string> bcc) { bcc_ = std::move(bcc); }
    void setSubject(std::string subject) { subject_ = std::move(subject); }
    void setMessageBody(std::string body, bool isHTML) {
        body_ = std::move(body);
        bodyIsHTML_ = isHTML;
    }
    const std::vector<std::string>& toRecipients() const { return to_; }
    const std::vector<std::string>& ccRecipients() const { return cc_; }
    const std::vector<std::string>& bccRecipients() const { return bcc_; }
    const std::string& subject() const { return subject_; }
    const std::string& body() const { return body_; }
    bool bodyIsHTML() const { return bodyIsHTML_; }

    void setMailComposeDelegate(std::weak_ptr<MailComposeDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<MailComposeDelegate> mailComposeDelegate() const { return delegate_.lock(); }
    // The user is done with the mail.
    void finishWithResult(ComposeResult result);

  private:
    std::vector<std::string> to_, cc_, bcc_;
    std::string subject_, body_;
    bool bodyIsHTML_ = false;
    std::weak_ptr<MailComposeDelegate> delegate_;
};

}  // namespace platform::compose
