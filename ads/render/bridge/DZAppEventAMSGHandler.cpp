#include "ads/render/bridge/DZAppEventAMSGHandler.h"

#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/host/DZAdHost.h"

const DZAMSGHandler::ActionTable& DZAppEventAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"appEvent",
         [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
             static_cast<DZAppEventAMSGHandler&>(handler).didReceiveAppEventNotification(arguments);
         }},
    };
    return table;
}

void DZAppEventAMSGHandler::didReceiveAppEventNotification(const DZAMSGArguments& arguments) {
    auto name = arguments.note->parameter("name");
    if (!name) return;
    auto info = arguments.note->parameter("info");
    if (name->empty() || name->size() > kMaxNameBytes || dz_hasControlCharacter(*name) ||
        (info && info->size() > kMaxInfoBytes)) {
        DZLog("Ad app event of a %zu-byte name and %zu bytes of info refused: no short name or too much info",
              name->size(), info ? info->size() : 0);
        return;
    }
    auto host = host_.lock();
    if (!host) return;
    // The owner may release the host from its callback.
    host->adDidReceiveAppEvent(*name, info);
}
