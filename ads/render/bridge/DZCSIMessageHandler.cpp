#include "ads/render/bridge/DZCSIMessageHandler.h"

const DZAMSGHandler::ActionTable& DZCSIMessageHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"instrument",
         [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
             static_cast<DZCSIMessageHandler&>(handler).handler_.handleNotification(
                 arguments.note->name(), arguments.note->parameters());
         }},
    };
    return table;
}
