#include "ads/render/bridge/DZAppEventAMSGHandler.h"

#include "ads/core/slot/DZSlot.h"

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
    auto slot = slot_.lock();
    if (!slot) return;
    // The owner may release the slot from its callback.
    if (auto owner = slot->slotDelegate())
        owner->slotDidReceiveAppEvent(*slot, *name, arguments.note->parameter("info"));
}
