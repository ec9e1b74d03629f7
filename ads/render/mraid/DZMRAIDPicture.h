#pragma once
// A creative's request to keep a picture: the user is asked first ("Permission", "Cancel" or
// "Save"); only "Save" downloads the picture (once, at most kMaxBytes, within kTimeoutSeconds)
// and hands it to the photo library, which decodes and stores it off the main loop. The delegate
// hears exactly one outcome, on the main loop: stored, failed (with a text for the creative) or
// cancelled by the user. Only http and https pictures are made at all. Main thread only.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/AlertView.h"

namespace platform {
class HttpConnection;
}
class DZMRAIDPicture;

class DZMRAIDPictureDelegate {
  public:
    virtual ~DZMRAIDPictureDelegate() = default;
    virtual void MRAIDPictureDidStorePictureWithURL(DZMRAIDPicture& picture, const std::string& url) {}
    // url: nothing when the picture had none.
    virtual void MRAIDPictureFailedToStorePictureWithURL(DZMRAIDPicture& picture,
                                                         const std::optional<std::string>& url,
                                                         const std::string& message) {}
    virtual void MRAIDPictureWasCancelledWithURL(DZMRAIDPicture& picture, const std::string& url) {}
};

class DZMRAIDPicture : public platform::ui::AlertViewDelegate,
                       public std::enable_shared_from_this<DZMRAIDPicture> {
  public:
    static constexpr std::size_t kMaxBytes = 16u << 20;
    static constexpr double kTimeoutSeconds = 60.0;
    static constexpr const char* kAlertTitle = "Permission";
    static constexpr const char* kAlertMessage = "The ad is requesting to save an image in your photo album.";

    // Null unless url is an http or https URL.
    static std::shared_ptr<DZMRAIDPicture> create(const std::string& url);
    ~DZMRAIDPicture() override;
    DZMRAIDPicture(const DZMRAIDPicture&) = delete;
    DZMRAIDPicture& operator=(const DZMRAIDPicture&) = delete;

    const std::string& pictureURL() const { return pictureURL_; }
    void setDelegate(std::weak_ptr<DZMRAIDPictureDelegate> delegate) { delegate_ = std::move(delegate); }
    bool downloadStarted() const { return downloadStarted_; }

    // Asks the user.
    void storeInPhotoAlbum();
    // The question on screen, null once answered.
    const std::shared_ptr<platform::ui::AlertView>& alert() const { return alert_; }
    void downloadImageWithURL(const std::string& url);

    // platform::ui::AlertViewDelegate
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int buttonIndex) override;

    explicit DZMRAIDPicture(std::string url) : pictureURL_(std::move(url)) {}  // use create()

  private:
    void finish(bool stored, const std::string& message);

    std::string pictureURL_;
    std::weak_ptr<DZMRAIDPictureDelegate> delegate_;
    std::shared_ptr<platform::ui::AlertView> alert_;
    std::shared_ptr<platform::HttpConnection> connection_;
    bool downloadStarted_ = false;
};
