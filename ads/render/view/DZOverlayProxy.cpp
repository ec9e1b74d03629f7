#include "ads/render/view/DZOverlayProxy.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ads/render/host/DZAdHost.h"
#include "ads/render/overlay/DZIntermission.h"
#include "ads/render/view/DZOpener.h"
#include "platform/ui/ViewController.h"

namespace {

// Each controller's proxy, held as long as the controller lives.
struct Attachment {
    const platform::ui::ViewController* key;
    std::weak_ptr<platform::ui::ViewController> controller;
    std::shared_ptr<DZOverlayProxy> proxy;
};

std::vector<Attachment>& attachments() {
    static std::vector<Attachment> all;
    // Proxies of controllers that have gone go too (their intermission learns it then).
    std::vector<std::shared_ptr<DZOverlayProxy>> gone;
    std::erase_if(all, [&gone](Attachment& a) {
        if (!a.controller.expired()) return false;
        gone.push_back(std::move(a.proxy));
        return true;
    });
    for (auto& proxy : gone) {
        auto intermission = proxy->intermission();
        proxy.reset();
        if (intermission) intermission->dropVanishedParticipants();
    }
    return all;
}

}  // namespace

std::shared_ptr<DZOverlayProxy> DZOverlayProxy::overlayProxyForViewController(
    const platform::ui::ViewController* controller) {
    if (!controller) return nullptr;
    auto& all = attachments();
    auto it = std::find_if(all.begin(), all.end(),
                           [controller](const Attachment& a) { return a.key == controller; });
    return it == all.end() ? nullptr : it->proxy;
}

std::shared_ptr<DZOverlayProxy> DZOverlayProxy::create(
    const std::shared_ptr<platform::ui::ViewController>& controller) {
    if (!controller || overlayProxyForViewController(controller.get())) return nullptr;
    auto proxy = std::make_shared<DZOverlayProxy>(controller);
    attachments().push_back({controller.get(), controller, proxy});
    return proxy;
}

bool DZOverlayProxy::presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& from,
                                               std::function<void()> completion) {
    auto controller = controller_.lock();
    if (intermission_ || !controller || !from) return false;
    auto self = shared_from_this();
    if (auto s = host_.lock()) {
        if (!s->intermission()) s->setIntermission(DZIntermission::create(s));
        intermission_ = s->intermission();
    }
    if (intermission_) intermission_->addParticipant(self);
    if (from->presentViewController(controller, true, std::move(completion))) return true;
    if (auto intermission = std::move(intermission_)) {
        intermission->participantWillRelinquishScreen(this);
        intermission->participantDidRelinquishScreen(this);
    }
    return false;
}

void DZOverlayProxy::relinquishScreenWithCompletion(std::function<void()> completion) {
    auto self = shared_from_this();
    if (intermission_) intermission_->participantWillRelinquishScreen(this);
    auto finish = [self, completion = std::move(completion)] {
        if (completion) completion();
        if (auto intermission = std::move(self->intermission_)) {
            intermission->participantDidRelinquishScreen(self.get());
        }
    };
    auto controller = controller_.lock();
    auto* presenting = controller ? controller->presentingViewController() : nullptr;
    if (presenting) {
        presenting->dismissViewController(true, std::move(finish));
    } else {
        finish();
    }
}

bool DZOverlayProxy::hasLeftScreen() const {
    auto controller = controller_.lock();
    return !controller || !controller->presentingViewController();
}
