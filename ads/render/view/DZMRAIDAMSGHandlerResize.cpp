// The "resize" request of a creative: its properties, when they are usable, go to the opener,
// which reports a refusal to the creative itself.
#include "ads/render/mraid/DZMRAIDResizeProperties.h"
#include "ads/render/view/DZMRAIDAMSGHandler.h"
#include "ads/render/view/DZOpener.h"

void DZMRAIDAMSGHandler::actionResize(const DZAMSGArguments& arguments) {
    auto properties = DZMRAIDResizeProperties::withDictionary(arguments.note->parameters());
    if (!properties) {
        reportError("Received invalid resize properties", "resize");
        return;
    }
    auto opener = opener_;
    opener->openWebAppWithResizeProperties(properties);
}
