#include "ads/render/view/DZMRAIDAMSGHandler.h"

#include <cctype>

#include "ads/core/DZAd.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/view/DZAdAppViewController.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZOpener.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/InterfaceOrientation.h"
#include "platform/ui/View.h"

namespace {

template <void (DZMRAIDAMSGHandler::*method)(const DZAMSGArguments&)>
DZAMSGHandler::Action action() {
    return [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
        (static_cast<DZMRAIDAMSGHandler&>(handler).*method)(arguments);
    };
}

constexpr const char* kStorePicture = "storePicture";
constexpr const char* kSetOrientationProperties = "setOrientationProperties";

// A flag as the page's script writes it: "true", "yes" or a number other than 0.
bool boolValue(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < text.size() && text[i] == '0') ++i;
    if (i == text.size()) return false;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    return c == 'y' || c == 't' || (c >= '1' && c <= '9');
}

bool isLandscape(int orientation) {
    return orientation == 3 || orientation == 4;
}

}  // namespace

const DZAMSGHandler::ActionTable& DZMRAIDAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"mraidLoaded", action<&DZMRAIDAMSGHandler::didReceiveMRAIDLoadNotification>()},
        {"mraid", action<&DZMRAIDAMSGHandler::didReceiveMRAIDNotification>()},
    };
    return table;
}

const DZAMSGHandler::ActionTable& DZMRAIDAMSGHandler::subActionBlockDictionary() {
    static const ActionTable table{
        {"resize", action<&DZMRAIDAMSGHandler::actionResize>()},
        {kStorePicture, action<&DZMRAIDAMSGHandler::actionStorePicture>()},
        {"createCalendarEvent", action<&DZMRAIDAMSGHandler::actionCreateCalendarEvent>()},
        {kSetOrientationProperties, action<&DZMRAIDAMSGHandler::actionSetOrientationProperties>()},
    };
    return table;
}

void DZMRAIDAMSGHandler::didReceiveMRAIDLoadNotification(const DZAMSGArguments& arguments) {
    auto host = opener_->host();
    // Held: the page's answers and its controller's change may outlive the dispatch.
    auto page = arguments.adView;
    if (host && page && host->adView() && page != host->adView()) {
        host->notifyScreenAndDeviceFeaturesToPage(*page);
    } else if (host) {
        host->MRAIDAdDidLoad();
    }
    // A page shown before it said what it is gets the close control of its kind now.
    if (auto controller =
            std::dynamic_pointer_cast<DZAdAppViewController>(page ? page->viewController() : nullptr))
        controller->adKindDidChange();
}

void DZMRAIDAMSGHandler::didReceiveMRAIDNotification(const DZAMSGArguments& arguments) {
    const auto a = arguments.note->parameter("a");
    if (!a) return;
    const auto& table = subActionBlockDictionary();
    const auto found = table.find(*a);
    if (found == table.end()) {
        DZLog("Rich-media request of an unknown kind (%zu bytes) ignored", a->size());
        return;
    }
    found->second(*this, arguments);
}

void DZMRAIDAMSGHandler::reportError(const std::string& message, const std::string& action) {
    if (auto host = opener_->host()) host->handleError(message, action);
}

void DZMRAIDAMSGHandler::actionStorePicture(const DZAMSGArguments& arguments) {
    auto self = shared_from_this();
    auto picture = DZMRAIDPicture::create(arguments.note->parameter("iurl").value_or(""));
    if (!picture) {
        reportError("Could not initialize picture download.", kStorePicture);
        return;
    }
    // Asked already: its answer is still to come.
    if (pendingPictureDownloads_.contains(picture->pictureURL())) return;
    // One question at a time: a creative cannot pile permission alerts on the user.
    for (const auto& [url, pending] : pendingPictureDownloads_) {
        if (pending->alert()) {
            reportError("Another picture is waiting for the user's permission.", kStorePicture);
            return;
        }
    }
    picture->setDelegate(std::weak_ptr<DZMRAIDPictureDelegate>(self));
    pendingPictureDownloads_[picture->pictureURL()] = picture;
    picture->storeInPhotoAlbum();
}

void DZMRAIDAMSGHandler::forget(const DZMRAIDPicture& picture) {
    const auto found = pendingPictureDownloads_.find(picture.pictureURL());
    if (found != pendingPictureDownloads_.end() && found->second.get() == &picture)
        pendingPictureDownloads_.erase(found);
}

void DZMRAIDAMSGHandler::MRAIDPictureDidStorePictureWithURL(DZMRAIDPicture& picture, const std::string&) {
    auto hold = picture.shared_from_this();
    forget(picture);
}

void DZMRAIDAMSGHandler::MRAIDPictureFailedToStorePictureWithURL(DZMRAIDPicture& picture,
                                                                 const std::optional<std::string>&,
                                                                 const std::string& message) {
    auto hold = picture.shared_from_this();
    auto self = shared_from_this();
    forget(picture);
    reportError(message, kStorePicture);
}

void DZMRAIDAMSGHandler::MRAIDPictureWasCancelledWithURL(DZMRAIDPicture& picture, const std::string&) {
    // The user said no to this one; the creative may ask again later.
    auto hold = picture.shared_from_this();
    forget(picture);
}

void DZMRAIDAMSGHandler::actionCreateCalendarEvent(const DZAMSGArguments& arguments) {
    auto opener = opener_;
    opener->openCalendarWithDictionary(arguments.note->parameters());
}

std::optional<unsigned> DZMRAIDAMSGHandler::orientationMaskFromProperties(
    const DZNotification::Parameters& parameters, int statusBarOrientation) {
    const auto allow = parameters.find("allowOrientationChange");
    const auto force = parameters.find("forceOrientation");
    if (allow == parameters.end() || force == parameters.end()) return std::nullopt;
    if (boolValue(allow->second)) return platform::ui::kInterfaceOrientationMaskAll;
    if (force->second == "none")
        return isLandscape(statusBarOrientation) ? platform::ui::kInterfaceOrientationMaskLandscape
                                                 : platform::ui::kInterfaceOrientationMaskPortrait;
    if (force->second == "any") return platform::ui::kInterfaceOrientationMaskAll;
    if (force->second == "portrait") return platform::ui::kInterfaceOrientationMaskPortrait;
    if (force->second == "landscape") return platform::ui::kInterfaceOrientationMaskLandscape;
    // A controller with no orientation at all could not be shown.
    return std::nullopt;
}

void DZMRAIDAMSGHandler::actionSetOrientationProperties(const DZAMSGArguments& arguments) {
    auto controller = std::dynamic_pointer_cast<DZViewController>(opener_->viewController());
    if (!controller) return;
    auto& application = platform::ui::Application::shared();
    const int statusBar = application.statusBarOrientation();
    // Refused properties leave the screen as it was.
    const auto mask = orientationMaskFromProperties(arguments.note->parameters(), statusBar);
    if (!mask) {
        reportError("Received invalid orientation properties", kSetOrientationProperties);
        return;
    }
    controller->setSupportedInterfaceOrientations(*mask);
    if (statusBar >= 1 && statusBar <= 4 && (*mask & (1u << statusBar))) return;
    // The desktop never turns by itself: an invisible screen with the new orientations is put up
    // and taken down, which brings the interface into one of them.
    platform::DispatchQueue::main()->async(
        [weak = std::weak_ptr<DZViewController>(controller), mask = *mask] {
            auto owner = weak.lock();
            if (!owner) return;
            auto invisible = std::make_shared<DZViewController>();
            invisible->setHost(owner->host());
            invisible->setSupportedInterfaceOrientations(mask);
            invisible->view()->setAlpha(0);
            owner->presentViewController(invisible, false, [weak, invisible] {
                platform::DispatchQueue::main()->async([weak, invisible] {
                    invisible->dismissViewController(false, [weak] {
                        if (auto controller = weak.lock())
                            controller->viewChangedToOrientation(
                                platform::ui::Application::shared().statusBarOrientation());
                    });
                });
            });
        });
}
