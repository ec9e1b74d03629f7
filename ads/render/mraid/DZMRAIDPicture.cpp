#include "ads/render/mraid/DZMRAIDPicture.h"

#include <filesystem>
#include <utility>

#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "platform/http/HttpConnection.h"
#include "platform/photos/PhotoLibrary.h"

std::shared_ptr<DZMRAIDPicture> DZMRAIDPicture::create(const std::string& url) {
    const auto parsed = dz_URLWithString(url);
    if (!parsed || !parsed->isWeb()) return nullptr;
    return std::make_shared<DZMRAIDPicture>(parsed->text());
}

DZMRAIDPicture::~DZMRAIDPicture() {
    if (connection_) connection_->cancel();
    if (alert_) {
        alert_->setDelegate({});
        alert_->dismissWithClickedButtonIndex(alert_->cancelButtonIndex(), false);
    }
}

void DZMRAIDPicture::storeInPhotoAlbum() {
    if (alert_) return;
    alert_ = std::make_shared<platform::ui::AlertView>(kAlertTitle, kAlertMessage, weak_from_this(), "Cancel",
                                                       std::vector<std::string>{"Save"});
    alert_->show();
}

void DZMRAIDPicture::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) {
    if (&alert != alert_.get()) return;
    // Held: the delegate's answer may drop this picture.
    auto self = shared_from_this();
    alert_.reset();
    if (buttonIndex == 1) {
        downloadImageWithURL(pictureURL_);
        return;
    }
    if (auto delegate = delegate_.lock()) delegate->MRAIDPictureWasCancelledWithURL(*this, pictureURL_);
}

void DZMRAIDPicture::downloadImageWithURL(const std::string& url) {
    if (downloadStarted_) return;
    auto self = shared_from_this();
    if (url.empty()) {
        if (auto delegate = delegate_.lock())
            delegate->MRAIDPictureFailedToStorePictureWithURL(*this, std::nullopt, "No image URL to store.");
        return;
    }
    std::weak_ptr<DZMRAIDPicture> weak = self;
    platform::HttpConnection::Callbacks callbacks;
    callbacks.didFinish = [weak](std::string body) {
        auto picture = weak.lock();
        if (!picture) return;
        const auto& response = picture->connection_->lastResponse();
        if (!response || response->status < 200 || response->status > 299) {
            picture->finish(false, "HTTP status " + std::to_string(response ? response->status : 0));
            return;
        }
        // Decoding and writing a big picture takes seconds: the library does it on its own queue
        // and answers here, on the main loop.
        platform::photos::PhotoLibrary::saveImageAsync(
            std::move(body),
            [weak](const std::optional<std::filesystem::path>& path, const std::string& error) {
                if (path) DZLog("Ad picture saved as %s", path->c_str());
                if (auto picture = weak.lock()) picture->finish(path.has_value(), error);
            });
    };
    callbacks.didFail = [weak](const platform::HttpError& error) {
        if (auto picture = weak.lock()) picture->finish(false, error.message);
    };
    connection_ = platform::HttpConnection::create(std::move(callbacks));
    platform::HttpRequest request;
    request.url = url;
    request.timeoutSeconds = kTimeoutSeconds;
    request.maxBodyBytes = kMaxBytes;
    if (auto error = connection_->start(request)) {
        connection_.reset();
        if (auto delegate = delegate_.lock())
            delegate->MRAIDPictureFailedToStorePictureWithURL(*this, url,
                                                              "Couldn't create URL request for " + url);
        return;
    }
    downloadStarted_ = true;
}

void DZMRAIDPicture::finish(bool stored, const std::string& message) {
    auto self = shared_from_this();
    auto delegate = delegate_.lock();
    if (!delegate) return;
    if (stored) {
        delegate->MRAIDPictureDidStorePictureWithURL(*this, pictureURL_);
    } else {
        delegate->MRAIDPictureFailedToStorePictureWithURL(
            *this, pictureURL_, "Failed to load " + pictureURL_ + ". Error: " + message);
    }
}
