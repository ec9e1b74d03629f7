#include "ads/render/bridge/DZAppEventAMSGHandler.h"

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
    auto host = host_.lock();
    if (!host) return;
    // The owner may release the host from its callback.
    host->adDidReceiveAppEvent(*name, arguments.note->parameter("info"));
}
