#include "ads/render/bridge/DZAMSGHandler.h"

const DZAMSGHandler::ActionTable& DZAMSGHandler::actionBlockDictionary() const {
    static const ActionTable empty;
    return empty;
}

bool DZAMSGHandler::handleRequest(const std::string& url, const std::shared_ptr<DZAdView>& adView) {
    if (!DZNotification::isNotificationURL(url)) return false;
    return handleNotification(DZNotification::fromURL(url), adView);
}

bool DZAMSGHandler::handleNotification(const std::shared_ptr<const DZNotification>& note,
                                       const std::shared_ptr<DZAdView>& adView) {
    if (!note) return false;
    const auto& table = actionBlockDictionary();
    auto it = table.find(note->name());
    if (it == table.end()) return false;
    it->second(*this, DZAMSGArguments{note, adView});
    return true;
}
