#pragma once
// A rich-media creative's messages: "mraidLoaded" (the creative announced itself: its host starts
// telling it about the screen, the device and its readiness) and "mraid", whose "a" names what it
// asks for: "storePicture", "createCalendarEvent" or "setOrientationProperties". An unknown or
// missing "a" is taken and does nothing. Every parameter is the page's: checked before use, and
// refusals reach the creative as errors through its host. Main thread only.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ads/render/bridge/DZAMSGHandler.h"
#include "ads/render/mraid/DZMRAIDPicture.h"

class DZOpener;

class DZMRAIDAMSGHandler : public DZAMSGHandler,
                           public DZMRAIDPictureDelegate,
                           public std::enable_shared_from_this<DZMRAIDAMSGHandler> {
  public:
    explicit DZMRAIDAMSGHandler(std::shared_ptr<DZOpener> opener) : opener_(std::move(opener)) {}

    const ActionTable& actionBlockDictionary() const override;
    // "a" to sub-action of "mraid".
    static const ActionTable& subActionBlockDictionary();

    // The mask "setOrientationProperties" asks for; nothing for properties that are not usable.
    static std::optional<unsigned> orientationMaskFromProperties(const DZNotification::Parameters& parameters,
                                                                 int statusBarOrientation);

    void didReceiveMRAIDLoadNotification(const DZAMSGArguments& arguments);
    void didReceiveMRAIDNotification(const DZAMSGArguments& arguments);
    // Defined with the resize properties it makes (DZMRAIDAMSGHandlerResize.cpp); the "resize" row
    // joins the sub-action table together with them.
    void actionResize(const DZAMSGArguments& arguments);
    void actionStorePicture(const DZAMSGArguments& arguments);
    void actionCreateCalendarEvent(const DZAMSGArguments& arguments);
    void actionSetOrientationProperties(const DZAMSGArguments& arguments);

    // Pictures asked for and not yet stored, failed or cancelled, by URL.
    const std::map<std::string, std::shared_ptr<DZMRAIDPicture>>& pendingPictureDownloads() const {
        return pendingPictureDownloads_;
    }

    // DZMRAIDPictureDelegate
    void MRAIDPictureDidStorePictureWithURL(DZMRAIDPicture& picture, const std::string& url) override;
    void MRAIDPictureFailedToStorePictureWithURL(DZMRAIDPicture& picture,
                                                 const std::optional<std::string>& url,
                                                 const std::string& message) override;
    void MRAIDPictureWasCancelledWithURL(DZMRAIDPicture& picture, const std::string& url) override;

  private:
    // To the creative of the opener's host, as an "error" for action.
    void reportError(const std::string& message, const std::string& action);
    void forget(const DZMRAIDPicture& picture);

    std::shared_ptr<DZOpener> opener_;
    std::map<std::string, std::shared_ptr<DZMRAIDPicture>> pendingPictureDownloads_;
};
