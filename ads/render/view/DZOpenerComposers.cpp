// The opener's mail and message composers. Links come from ad pages: the scheme, the length and
// the number of recipients are checked before anything is made, and a composer that cannot be
// shown is let go with its delegate proxy.
#include <algorithm>
#include <cctype>

#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/view/DZMailComposeDelegateProxy.h"
#include "ads/render/view/DZMessageComposeDelegateProxy.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZOverlayProxy.h"
#include "platform/compose/ComposeService.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/PercentEncoding.h"

using platform::compose::ComposeResult;
using platform::compose::ComposeService;
using platform::compose::MailComposeViewController;
using platform::compose::MessageComposeViewController;

namespace {

bool hasScheme(const std::string& url, std::string_view scheme) {
    return url.size() >= scheme.size() &&
           std::equal(scheme.begin(), scheme.end(), url.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// The link's recipients part and its query (empty when there is no "?").
std::pair<std::string_view, std::string_view> splitLink(std::string_view rest) {
    const auto mark = rest.find('?');
    if (mark == std::string_view::npos) return {rest, {}};
    return {rest.substr(0, mark), rest.substr(mark + 1)};
}

// The query's pairs split at "&" and ";" that have a value, keys lower-cased; a later pair
// replaces an earlier one.
std::map<std::string, std::string> lowercasedQuery(std::string_view query) {
    std::map<std::string, std::string> values;
    for (auto& pair : dz_queryPairs(query, "&;", false)) {
        if (!pair.hasValue) continue;
        std::transform(pair.key.begin(), pair.key.end(), pair.key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        values[pair.key] = std::move(pair.value);
    }
    return values;
}

std::vector<std::string> splitAtCommas(const std::string& text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

std::string valueOf(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto found = values.find(key);
    return found == values.end() ? "" : found->second;
}

// Digits, with the marks people write numbers with.
bool isPhoneNumber(const std::string& text) {
    return text.size() <= 32 &&
           std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == '(' || c == ')' ||
                      c == ' ';
           });
}

// A composer that will not be shown: its delegate proxy would otherwise keep it for good.
void abandonComposer(const std::shared_ptr<platform::ui::ViewController>& controller) {
    if (auto mail = std::dynamic_pointer_cast<MailComposeViewController>(controller)) {
        auto delegate = std::dynamic_pointer_cast<DZMailComposeDelegateProxy>(mail->mailComposeDelegate());
        if (delegate) delegate->stopProxying();
    } else if (auto message = std::dynamic_pointer_cast<MessageComposeViewController>(controller)) {
        auto delegate =
            std::dynamic_pointer_cast<DZMessageComposeDelegateProxy>(message->messageComposeDelegate());
        if (delegate) delegate->stopProxying();
    }
}

void closeComposer(platform::ui::ViewController& composer, std::function<void()> then) {
    if (auto proxy = DZOverlayProxy::overlayProxyForViewController(&composer)) {
        proxy->relinquishScreenWithCompletion(std::move(then));
    } else if (auto* presenting = composer.presentingViewController()) {
        presenting->dismissViewController(true, std::move(then));
    } else {
        then();
    }
}

}  // namespace

void DZOpener::openEmailComposer(const std::string& url) {
    if (url.size() > kMaxURLLength || !hasScheme(url, "mailto:")) {
        DZLog("Ad mail link of %zu bytes ignored: no mailto: link of at most %zu bytes", url.size(),
              kMaxURLLength);
        return;
    }
    auto& service = ComposeService::shared();
    if (!service.canSendMail()) {
        DZLog("Ad mail link not followed: this system cannot send mail");
        return;
    }
    const auto [to, query] = splitLink(std::string_view(url).substr(7));
    const auto recipient = platform::percentDecode(to, false);
    const auto values = lowercasedQuery(query);
    const auto cc = splitAtCommas(valueOf(values, "cc"));
    const auto bcc = splitAtCommas(valueOf(values, "bcc"));
    if (!recipient || cc.size() + bcc.size() + 1 > kMaxComposerRecipients) {
        DZLog("Ad mail link ignored: its recipient does not decode or it has %zu of them",
              cc.size() + bcc.size() + 1);
        return;
    }
    if (!shouldPerformOpenAction() || !canOpenContent(true)) return;
    auto composer = service.makeMailComposer();
    if (!composer) return;
    if (auto proxy = DZOverlayProxy::create(composer)) proxy->setHost(host_);
    DZMailComposeDelegateProxy::associatedDelegateProxyForController(composer)->setMailComposeDelegate(
        weak_from_this());
    if (!recipient->empty()) composer->setToRecipients({*recipient});
    composer->setCcRecipients(cc);
    composer->setBccRecipients(bcc);
    composer->setSubject(valueOf(values, "subject"));
    composer->setMessageBody(valueOf(values, "body"), false);
    composer->setModalTransitionStyle(platform::ui::ModalTransitionStyle::CoverVertical);
    presentComposerController(composer);
}

void DZOpener::openSmsComposer(const std::string& url) {
    if (url.size() > kMaxURLLength || !hasScheme(url, "sms:")) {
        DZLog("Ad message link of %zu bytes ignored: no sms: link of at most %zu bytes", url.size(),
              kMaxURLLength);
        return;
    }
    auto& service = ComposeService::shared();
    if (!service.canSendText()) {
        DZLog("Ad message link not followed: this system cannot send text messages");
        return;
    }
    const auto [numbers, query] = splitLink(std::string_view(url).substr(4));
    const auto decoded = platform::percentDecode(numbers, false);
    const auto recipients = splitAtCommas(decoded.value_or(""));
    if (!decoded || recipients.size() > kMaxComposerRecipients ||
        !std::all_of(recipients.begin(), recipients.end(), isPhoneNumber)) {
        DZLog("Ad message link ignored: its recipients are no phone numbers");
        return;
    }
    if (!shouldPerformOpenAction() || !canOpenContent(true)) return;
    auto composer = service.makeMessageComposer();
    if (!composer) return;
    if (auto proxy = DZOverlayProxy::create(composer)) proxy->setHost(host_);
    DZMessageComposeDelegateProxy::associatedDelegateProxyForController(composer)->setMessageComposeDelegate(
        weak_from_this());
    composer->setRecipients(recipients);
    composer->setBody(valueOf(lowercasedQuery(query), "body"));
    composer->setModalTransitionStyle(platform::ui::ModalTransitionStyle::CoverVertical);
    presentComposerController(composer);
}

void DZOpener::presentComposerController(const std::shared_ptr<platform::ui::ViewController>& controller) {
    presentComposerController(controller, 0);
}

void DZOpener::presentComposerController(const std::shared_ptr<platform::ui::ViewController>& controller,
                                         int attempt) {
    if (!controller) return;
    if (!shouldPerformOpenAction()) {
        abandonComposer(controller);
        return;
    }
    auto self = shared_from_this();
    auto from = viewController_.lock();
    // A full-screen ad still on its way in takes no touches yet: try again shortly, a few times.
    auto adScreen = std::dynamic_pointer_cast<DZViewController>(from);
    if (adScreen && adScreen->isViewLoaded() && !adScreen->view()->isUserInteractionEnabled()) {
        if (attempt >= kMaxComposerRetries) {
            DZLog("Ad composer not shown: the ad's screen took no touches after %d tries", attempt + 1);
            abandonComposer(controller);
            return;
        }
        platform::DispatchQueue::main()->after(
            kComposerRetrySeconds, [weak = weak_from_this(), controller, attempt] {
                if (auto opener = weak.lock()) {
                    opener->presentComposerController(controller, attempt + 1);
                } else {
                    abandonComposer(controller);
                }
            });
        return;
    }
    auto proxy = DZOverlayProxy::overlayProxyForViewController(controller.get());
    if (!proxy) proxy = DZOverlayProxy::create(controller);
    proxy->setHost(host_);
    proxy->setOpener(self);
    if (!proxy->presentFromViewController(from, {})) {
        proxy->setOpener(nullptr);
        abandonComposer(controller);
        return;
    }
    didOpenInApp();
}

void DZOpener::mailComposeControllerDidFinish(MailComposeViewController& controller, ComposeResult) {
    auto composer = std::static_pointer_cast<MailComposeViewController>(controller.shared_from_this());
    platform::DispatchQueue::main()->async([composer] {
        auto delegate =
            std::dynamic_pointer_cast<DZMailComposeDelegateProxy>(composer->mailComposeDelegate());
        closeComposer(*composer, [delegate] {
            if (delegate) delegate->stopProxying();
        });
    });
}

void DZOpener::messageComposeViewControllerDidFinish(MessageComposeViewController& controller,
                                                     ComposeResult) {
    auto composer = std::static_pointer_cast<MessageComposeViewController>(controller.shared_from_this());
    platform::DispatchQueue::main()->async([composer] {
        auto delegate =
            std::dynamic_pointer_cast<DZMessageComposeDelegateProxy>(composer->messageComposeDelegate());
        closeComposer(*composer, [delegate] {
            if (delegate) delegate->stopProxying();
        });
    });
}
