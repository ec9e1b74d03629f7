// AnnounceManager: the banner built from the cached list, its actions, the app URLs under
// "/announceManager/" and the server's ad settings.
#include <memory>

#include "appbase/LogMessage.h"
#include "platform/dispatch/MainThread.h"
#include "platform/foundation/FileIO.h"
#include "platform/image/ImageDecoder.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/plist/PlistText.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/View.h"
#include "platform/url/Url.h"
#include "services/AnnounceInfo.h"
#include "services/AnnounceManager.h"
#include "services/DecimalText.h"
#include "shell/AppDoor.h"
#include "shell/Crc32.h"
#include "shell/UiUtil.h"

namespace {

constexpr const char* kLogName = "AnnounceManager";
constexpr const char* kAmPathPrefix = "/announceManager/";

}  // namespace

// --- the banner

void AnnounceManager::showBannerOn(const std::shared_ptr<platform::ui::View>& parent,
                                   const std::shared_ptr<platform::ui::View>& alternativeView,
                                   platform::Point position, int alignX, int alignY) {
    ASSERT_MAIN_THREAD();
    closeBanner();
    parentView_ = parent;
    bannerPosition_ = position;
    bannerAlignX_ = alignX;
    bannerAlignY_ = alignY;
    bool rebuild = !bannerView_;
    {
        std::lock_guard<std::mutex> lock(monitor_);
        rebuild = rebuild || bannerIsDirty_;
        bannerIsDirty_ = false;
    }
    if (rebuild && (!buildBanner() || !bannerView_)) return;
    if (!parent) return;
    const platform::Size size = bannerView_->bounds().size;
    bannerView_->setCenter({position.x - size.width * 0.5f * static_cast<float>(alignX),
                            position.y - size.height * 0.5f * static_cast<float>(alignY)});
    bannerView_->setAlpha(1);
    bannerView_->setUserInteractionEnabled(true);
    // No platform banner can share the screen here (the ad banner has no provider), so the
    // announcement banner keeps its full size in landscape too.
    bannerView_->setTransform(platform::ui::AffineTransform::identity());
    parent->insertSubviewAt(bannerView_, 0);
    if (alternativeView && alternativeView->superview()) alternativeView->removeFromSuperview();
}

void AnnounceManager::closeBanner() {
    ASSERT_MAIN_THREAD();
    if (bannerView_) bannerView_->removeFromSuperview();
    parentView_.reset();
}

void AnnounceManager::clearBanner() {
    ASSERT_MAIN_THREAD();
    if (bannerView_) bannerView_->removeFromSuperview();
    bannerView_.reset();
    currentAnnounceInfo_.reset();
    if (selectActionSheet_)
        selectActionSheet_->dismissWithClickedButtonIndex(platform::ui::ActionSheet::kCancelIndex, false);
    selectActionSheet_.reset();
    selectOptions_.reset();
}

bool AnnounceManager::buildBanner() {
    ASSERT_MAIN_THREAD();
    clearBanner();
    std::lock_guard<std::mutex> lock(readFileLock_);
    return buildBannerSub();
}

bool AnnounceManager::buildBannerSub() {
    const std::filesystem::path dir = cacheDirPath();
    platform::FileReadResult file = platform::readWholeFile(dir / kListFileName, kMaxListBytes);
    if (file.status == platform::FileReadResult::Status::Missing) return false;
    if (file.status != platform::FileReadResult::Status::Ok) {
        LogMessage(kLogName, 1, "AM:announce load err:" + file.error);
        return false;
    }
    std::string why;
    platform::PlistNodePtr root = platform::parsePlistAnyFormat(file.bytes.data(), file.bytes.size(), &why);
    std::optional<platform::PlistArray> items;
    if (root && plist_get_node_type(root.get()) == PLIST_ARRAY)
        items = platform::PlistArray::adopt(root.release());
    if (!items) {
        LogMessage(kLogName, 1,
                   "AM:announce load err:" + (root ? std::string("the list is not an array") : why));
        return false;
    }
    auto info = std::make_shared<AnnounceInfo>();
    if (!info->parse(*items)) {
        LogMessage(kLogName, 1, "AM:announce parse failure");
        return false;
    }
    if (info->uiitems().empty()) return false;

    const platform::Size viewSize = info->viewSize();
    auto view = std::make_shared<platform::ui::View>(platform::Rect{{0, 0}, viewSize});
    std::map<std::string, std::shared_ptr<const platform::Image>> images;
    std::weak_ptr<AnnounceManager> weak = weak_from_this();
    const std::vector<platform::PlistArray>& uiitems = info->uiitems();
    for (size_t i = 0; i < uiitems.size(); ++i) {
        const platform::PlistArray& item = uiitems[i];
        const std::string cmd = item.getString(0).value_or("");
        const platform::Point origin{AnnounceInfo::pointsAt(item, 1), AnnounceInfo::pointsAt(item, 2)};
        std::shared_ptr<const platform::Image> image;
        if (std::optional<std::string> key = item.getString(3))
            image = getImageForKey(*key, dir, *info, images);
        const platform::Size size =
            image ? platform::Size{static_cast<float>(image->width), static_cast<float>(image->height)}
                  : platform::Size{0, 0};
        if (cmd == "UB") {
            auto button = std::make_shared<platform::ui::Button>(platform::ui::ButtonType::Custom,
                                                                 platform::Rect{origin, size});
            button->setImage(image);
            button->setTag(static_cast<int>(i));
            button->addTarget(platform::ui::ControlEventTouchUpInside, [weak](platform::ui::Control& sender) {
                if (std::shared_ptr<AnnounceManager> manager = weak.lock())
                    manager->buttonAction(sender.tag());
            });
            view->addSubview(button);
        } else {
            auto imageView = std::make_shared<platform::ui::ImageView>(image);
            imageView->setFrame({origin, size});
            imageView->setUserInteractionEnabled(false);
            view->addSubview(imageView);
        }
    }
    bannerView_ = view;
    currentAnnounceInfo_ = info;
    return true;
}

std::shared_ptr<const platform::Image> AnnounceManager::getImageForKey(
    const std::string& key, const std::filesystem::path& cacheDir, const AnnounceInfo& info,
    std::map<std::string, std::shared_ptr<const platform::Image>>& images) const {
    if (auto it = images.find(key); it != images.end()) return it->second;
    auto item = info.files().find(key);
    if (item == info.files().end()) return nullptr;
    const FileCmd file = processFileCmd(item->second);
    if (!file.cacheFilename) return nullptr;
    platform::FileReadResult bytes = platform::readWholeFile(cacheDir / *file.cacheFilename, kMaxFileBytes);
    if (bytes.status != platform::FileReadResult::Status::Ok) return nullptr;
    // The cache folder is only ours while nobody tampers with it: a file must still be what the
    // list says it is before it is shown.
    if (Crc32OfBytes(bytes.bytes.data(), bytes.bytes.size()) != file.crc32) {
        LogMessage(kLogName, 3, "AM:cache file does not match its checksum:" + *file.cacheFilename);
        return nullptr;
    }
    // The app's one decoder, which bounds what a picture may cost before the pixels: the banner is
    // built on the main loop. Its pictures are PNG.
    std::string error;
    std::optional<platform::Image> image;
    if (platform::ImageDecoder::formatOf(bytes.bytes.data(), bytes.bytes.size()) !=
        platform::ImageDecoder::Format::PNG)
        error = "not a PNG picture";
    else
        image = platform::ImageDecoder::decode(bytes.bytes.data(), bytes.bytes.size(), &error, kMaxImageSide);
    if (!image) {
        LogMessage(kLogName, 3, "AM:cannot show " + *file.cacheFilename + ": " + error);
        return nullptr;
    }
    auto shared = std::make_shared<const platform::Image>(std::move(*image));
    images[key] = shared;
    return shared;
}

// --- actions

void AnnounceManager::buttonAction(int tag) {
    ASSERT_MAIN_THREAD();
    LogMessage(kLogName, 1, "AM:button pushed:" + std::to_string(tag));
    if (!currentAnnounceInfo_ || tag < 0 ||
        static_cast<size_t>(tag) >= currentAnnounceInfo_->uiitems().size())
        return;
    std::optional<std::string> key = currentAnnounceInfo_->uiitems()[static_cast<size_t>(tag)].getString(4);
    if (!key) return;
    auto action = currentAnnounceInfo_->actions().find(*key);
    if (action != currentAnnounceInfo_->actions().end()) doAction(action->second);
}

void AnnounceManager::doAction(const platform::PlistArray& action) {
    const std::string cmd = action.getString(0).value_or("");
    if (cmd == "AU") {
        if (std::optional<std::string> url = action.getString(2)) openUrl(*url);
    } else if (cmd == "AS") {
        selectOptions_ = action.getArray(3);
        std::vector<std::string> titles;
        if (selectOptions_) {
            for (size_t i = 0; i < selectOptions_->size(); ++i) {
                std::optional<platform::PlistArray> option = selectOptions_->getArray(i);
                titles.push_back(option ? option->getString(0).value_or("") : std::string());
            }
        }
        selectActionSheet_ = std::make_shared<platform::ui::ActionSheet>(
            action.getString(2).value_or(""), weak_from_this(), "Cancel", "", std::move(titles));
        if (std::shared_ptr<platform::ui::View> parent = parentView_.lock())
            selectActionSheet_->showInView(parent);
    }
}

void AnnounceManager::actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet, int buttonIndex) {
    if (&sheet != selectActionSheet_.get()) return;
    // Released before the chosen action runs: that action may open the next sheet.
    std::shared_ptr<platform::ui::ActionSheet> keep = std::move(selectActionSheet_);
    std::optional<platform::PlistArray> options = std::move(selectOptions_);
    selectActionSheet_.reset();
    selectOptions_.reset();
    if (!options || buttonIndex < 0 || !currentAnnounceInfo_) return;
    std::optional<platform::PlistArray> option = options->getArray(static_cast<size_t>(buttonIndex));
    std::optional<std::string> key = option ? option->getString(1) : std::nullopt;
    if (!key) return;
    auto action = currentAnnounceInfo_->actions().find(*key);
    if (action != currentAnnounceInfo_->actions().end()) doAction(action->second);
}

void AnnounceManager::actionSheetCancel(platform::ui::ActionSheet& sheet) {
    actionSheetClickedButtonAtIndex(sheet, platform::ui::ActionSheet::kCancelIndex);
}

// --- URLs

void AnnounceManager::openUrl(const std::string& text) {
    std::string error;
    std::optional<platform::Url> url = platform::Url::parse(text, &error);
    if (url && url->path().rfind(kAmPathPrefix, 0) == 0) {
        processAmUrl(text);
        return;
    }
    // Only web pages leave the app, and only through the desktop's handler: no shell, no option.
    OpenWebPage(text, kLogName);
}

void AnnounceManager::processAmUrl(const std::string& text) {
    std::optional<platform::Url> url = platform::Url::parse(text);
    if (!url || url->path().rfind(kAmPathPrefix, 0) != 0) return;
    const std::string rest = url->path().substr(std::string(kAmPathPrefix).size());
    if (rest == "deleteCacheFiles") {
        deleteCacheFiles();
    } else {
        ShowOkAlert("AM:unknown path", rest);
    }
}

// --- the server's ad settings

std::optional<std::map<std::string, std::string>> AnnounceManager::amProperties() const {
    std::lock_guard<std::mutex> lock(monitor_);
    return amProperties_;
}

std::optional<platform::PlistArray> AnnounceManager::popupAdInfo() const {
    std::lock_guard<std::mutex> lock(monitor_);
    return popupAdInfo_;
}

int AnnounceManager::popupAdDoneSerial() const {
    std::lock_guard<std::mutex> lock(monitor_);
    return popupAdDoneSerial_;
}

std::string AnnounceManager::amPropertyAsStringForKey(const std::string& key,
                                                      const std::string& defaultVal) const {
    std::lock_guard<std::mutex> lock(monitor_);
    if (!amProperties_) return defaultVal;
    auto it = amProperties_->find(key);
    return it != amProperties_->end() ? it->second : defaultVal;
}

int AnnounceManager::amPropertyAsIntForKey(const std::string& key, int defaultVal) const {
    std::lock_guard<std::mutex> lock(monitor_);
    if (!amProperties_) return defaultVal;
    auto it = amProperties_->find(key);
    return it != amProperties_->end() ? decimalIntValue(it->second) : defaultVal;
}
