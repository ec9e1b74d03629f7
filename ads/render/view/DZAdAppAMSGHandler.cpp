#include "ads/render/view/DZAdAppAMSGHandler.h"

#include "ads/render/view/DZAdAppViewController.h"
#include "ads/render/view/DZAdView.h"
#include "platform/ui/View.h"

namespace {

template <void (DZAdAppAMSGHandler::*method)(const DZAMSGArguments&)>
DZAMSGHandler::Action action() {
    return [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
        (static_cast<DZAdAppAMSGHandler&>(handler).*method)(arguments);
    };
}

std::shared_ptr<DZAdAppViewController> adAppController(const DZAMSGArguments& arguments) {
    if (!arguments.adView) return nullptr;
    return std::dynamic_pointer_cast<DZAdAppViewController>(arguments.adView->viewController());
}

}  // namespace

const DZAMSGHandler::ActionTable& DZAdAppAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"customClose", action<&DZAdAppAMSGHandler::configureCustomCloseButtonWithArguments>()},
        {"setInterstitialProperties",
         action<&DZAdAppAMSGHandler::updateInterstitialPropertiesWithArguments>()},
    };
    return table;
}

void DZAdAppAMSGHandler::configureCustomCloseButtonWithArguments(const DZAMSGArguments& arguments) {
    if (auto controller = adAppController(arguments)) {
        controller->setUseCustomClose(arguments.note->parameter("custom_close") == "1");
    }
}

void DZAdAppAMSGHandler::updateInterstitialPropertiesWithArguments(const DZAMSGArguments& arguments) {
    auto controller = adAppController(arguments);
    auto transparent = arguments.note->parameter("transparentBackground");
    if (!controller || !transparent) return;
    // Once presented, the way it is shown is settled.
    if (controller->isViewLoaded() && controller->view()->superview()) return;
    controller->setUsesTransparentOverlayPresenter(*transparent == "1");
}
