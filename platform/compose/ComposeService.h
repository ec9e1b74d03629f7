#pragma once
// Whether the desktop can send mail or text messages for the app, and the composers it offers.
// It can do neither: the process's service says so and makes no composer. A test installs a
// service that makes composers it can then finish. Main thread only.
#include <memory>

namespace platform::compose {

class MailComposeViewController;
class MessageComposeViewController;

// What the user did in a composer.
enum class ComposeResult : int { Cancelled = 0, Saved = 1, Sent = 2, Failed = 3 };

class ComposeService {
  public:
    virtual ~ComposeService() = default;
    virtual bool canSendMail() const { return false; }
    virtual bool canSendText() const { return false; }
    // Null when the platform has none.
    virtual std::shared_ptr<MailComposeViewController> makeMailComposer() { return nullptr; }
    virtual std::shared_ptr<MessageComposeViewController> makeMessageComposer() { return nullptr; }

    static ComposeService& shared();
    // Installs another service (null: the desktop's again) and returns the one it replaces.
    static std::shared_ptr<ComposeService> setShared(std::shared_ptr<ComposeService> service);
};

}  // namespace platform::compose
