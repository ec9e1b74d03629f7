#include "ads/render/view/DZBrowserAdView.h"

#include "ads/render/view/DZBrowserViewController.h"

std::shared_ptr<DZBrowserAdView> DZBrowserAdView::create(platform::Rect frame) {
    auto view = std::make_shared<DZBrowserAdView>(frame);
    view->makeWebView();
    view->reset();
    // A landing page is a web page like any other: its scroll bars show where it overflows.
    if (auto* engine = view->engine()) engine->setShowsScrollBars(true);
    return view;
}

void DZBrowserAdView::setViewController(std::weak_ptr<platform::ui::ViewController> controller) {
    if (std::dynamic_pointer_cast<DZBrowserViewController>(controller.lock())) {
        DZAdView::setViewController(std::move(controller));
    }
}

std::shared_ptr<DZBrowserViewController> DZBrowserAdView::browserViewController() const {
    return std::dynamic_pointer_cast<DZBrowserViewController>(viewController());
}
