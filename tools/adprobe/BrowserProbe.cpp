#include "tools/adprobe/BrowserProbe.h"

#include <memory>

#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "ads/render/view/DZOpener.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/InterfaceOrientation.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "tools/adprobe/ProbeClock.h"

nlohmann::json runBrowser(const std::string& url, const std::string& referrer, double seconds,
                          const std::string& capturePath, platform::ManualRunLoop& loop) {
    auto root = std::make_shared<platform::ui::ViewController>();
    auto window = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 480});
    window->setRunLoop(&loop);
    window->makeKeyAndVisible();
    window->setRootViewController(root);
    auto opener = std::make_shared<DZOpener>();
    // The probe's user asked for this page: no tap is needed to explain its open.
    opener->setAutoClickProtected(false);
    opener->setNavigationContext(url, root, {});
    opener->setReferringURL(referrer);
    opener->openBrowserToURL(url, platform::ui::kInterfaceOrientationMaskAll);
    auto browser = std::dynamic_pointer_cast<DZBrowserViewController>(root->presentedViewController());
    nlohmann::json result = {{"shown", browser != nullptr}, {"capture", nullptr}, {"closedByDone", false}};
    if (!browser) return result;
    turnUntil(
        loop, [] { return false; }, seconds);
    result["loading"] = browser->adView()->isLoading();
    result["url"] = browser->adView()->currentURL();
    // A page that did not load (a server that is down) is said so, not taken for one shown.
    result["error"] = browser->showsLoadFailure() ? nlohmann::json(DZBrowserViewController::kLoadFailedText)
                                                  : nlohmann::json();

    if (!capturePath.empty()) {
        std::string error;
        auto context = platform::GLContext::createHeadless(&error);
        if (context) {
            platform::ui::WindowRenderer renderer(context, 1);
            if (!renderer.render(*window))
                error = "the window could not be rendered";
            else
                renderer.capturePng(capturePath, &error);
        }
        result["capture"] = {{"file", capturePath},
                             {"error", error.empty() ? nlohmann::json() : nlohmann::json(error)}};
    }

    // Done, as a finger would press it.
    if (auto done = browser->toolbar()->viewForItem(*browser->doneButton())) {
        const platform::Point centre =
            done->convertPointToWindow({done->bounds().size.width / 2, done->bounds().size.height / 2});
        window->handleTouch(1, platform::ui::TouchPhase::Began, centre);
        window->handleTouch(1, platform::ui::TouchPhase::Ended, centre);
    }
    browser.reset();
    turnUntil(
        loop, [&] { return root->presentedViewController() == nullptr; }, 2);
    result["closedByDone"] = root->presentedViewController() == nullptr;
    DZLoggingQueue()->sync([] {});
    window->setRootViewController(nullptr);
    loop.runUntilIdle();
    return result;
}
