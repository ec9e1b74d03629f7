#include "ads/render/swipe/DZSwipeToViewControllerAMSGHandler.h"

#include "ads/core/DZAd.h"
#include "ads/core/DZSwipeToViewControllerConfigurations.h"
#include "ads/render/host/DZAdHost.h"

namespace {

std::shared_ptr<DZSwipeToViewControllerConfigurations> configurationsOf(
    const std::shared_ptr<DZAdHost>& host) {
    const auto& ad = host ? host->ad() : nullptr;
    return ad ? ad->swipeConfigurations() : nullptr;
}

}  // namespace

const DZAMSGHandler::ActionTable& DZSwipeToViewControllerAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"enableSwipeToViewController",
         [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
             static_cast<DZSwipeToViewControllerAMSGHandler&>(handler).enableSwipeToViewController(arguments);
         }},
        {"disableSwipeToViewController",
         [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
             static_cast<DZSwipeToViewControllerAMSGHandler&>(handler).disableSwipeToViewController(
                 arguments);
         }},
    };
    return table;
}

void DZSwipeToViewControllerAMSGHandler::enableSwipeToViewController(const DZAMSGArguments& arguments) {
    auto host = host_.lock();
    auto configurations = configurationsOf(host);
    if (!configurations) return;
    using C = DZSwipeToViewControllerConfigurations;
    const auto direction = arguments.note->parameter("swipe_direction");
    int value = C::kDirectionNone;
    if (direction == "top_to_bottom") {
        value = C::kDirectionTopToBottom;
    } else if (direction == "bottom_to_top") {
        value = C::kDirectionBottomToTop;
    }
    configurations->setSwipeDirection(value);
    configurations->setAdDraggable(arguments.note->parameter("ad_draggable") == "1");
    host->enableSwipeToViewController();
}

void DZSwipeToViewControllerAMSGHandler::disableSwipeToViewController(const DZAMSGArguments&) {
    auto host = host_.lock();
    auto configurations = configurationsOf(host);
    if (!configurations) return;
    host->disableSwipeToViewController();
    configurations->setSwipeDirection(DZSwipeToViewControllerConfigurations::kDirectionNone);
    configurations->setAdDraggable(false);
}
