#include "platform/ui/UiDriver.h"

#include <stdexcept>
#include <vector>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ModalPanel.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"

namespace platform::ui {

namespace {
// Depth first, front-most (last drawn) first.
void collect(const std::shared_ptr<View>& v, std::vector<std::shared_ptr<View>>& out) {
    const auto& subs = v->subviews();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) collect(*it, out);
    out.push_back(v);
}

bool shownOnScreen(const View& v) {
    if (v.isHidden() || v.alpha() < 0.01f) return false;
    for (auto p = v.superview(); p; p = p->superview()) {
        if (p->isHidden() || p->alpha() < 0.01f) return false;
    }
    return true;
}
}  // namespace

UiDriver::UiDriver(std::shared_ptr<Window> window, ManualRunLoop* loop)
    : window_(std::move(window)), loop_(loop) {}

std::shared_ptr<View> UiDriver::outlet(const std::string& name) const {
    window_->layoutIfNeeded();
    std::vector<std::shared_ptr<View>> all;
    collect(window_, all);
    for (const auto& v : all) {
        if (ViewController* c = v->viewController()) {
            if (auto found = c->outletView(name)) return found;
        }
    }
    return nullptr;
}

std::shared_ptr<View> UiDriver::viewWithTag(int tag) const {
    window_->layoutIfNeeded();
    return window_->viewWithTag(tag);
}

std::shared_ptr<Button> UiDriver::buttonWithTitle(const std::string& title) const {
    window_->layoutIfNeeded();
    std::vector<std::shared_ptr<View>> all;
    collect(window_, all);
    for (const auto& v : all) {
        auto b = std::dynamic_pointer_cast<Button>(v);
        if (b && shownOnScreen(*b) && b->currentTitle() == title) return b;
    }
    return nullptr;
}

std::shared_ptr<View> UiDriver::tapAt(Point p) {
    window_->layoutIfNeeded();
    auto target = window_->hitTest(p);
    const std::uint64_t pointer = pointer_++;
    window_->handleTouch(pointer, TouchPhase::Began, p);
    window_->handleTouch(pointer, TouchPhase::Ended, p);
    return target;
}

bool UiDriver::tap(const std::shared_ptr<View>& view) {
    if (!view || view->window() != window_.get()) return false;
    window_->layoutIfNeeded();
    const Rect b = view->bounds();
    const Point centre = view->convertPointToWindow({b.midX(), b.midY()});
    auto target = tapAt(centre);
    return target && target->isDescendantOf(*view);
}

bool UiDriver::tapButton(const std::string& title) {
    return tap(buttonWithTitle(title));
}

void UiDriver::drag(Point from, Point to, int steps) {
    if (steps < 1) steps = 1;
    window_->layoutIfNeeded();
    const std::uint64_t pointer = pointer_++;
    window_->handleTouch(pointer, TouchPhase::Began, from);
    for (int i = 1; i <= steps; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(steps);
        window_->handleTouch(pointer, TouchPhase::Moved,
                             {from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
    }
    window_->handleTouch(pointer, TouchPhase::Ended, to);
}

std::string UiDriver::textOf(const View& view, bool& found) {
    found = true;
    if (auto* l = dynamic_cast<const Label*>(&view)) return l->text();
    if (auto* t = dynamic_cast<const TextView*>(&view)) return t->text();
    if (auto* b = dynamic_cast<const Button*>(&view)) return b->currentTitle();
    found = false;
    return {};
}

std::string UiDriver::text(const std::string& outletName) const {
    auto v = outlet(outletName);
    if (!v) throw std::runtime_error("no outlet \"" + outletName + "\" on the window");
    bool found = false;
    std::string s = textOf(*v, found);
    if (!found)
        throw std::runtime_error("outlet \"" + outletName + "\" is a " + v->className() +
                                 ", which shows no text");
    return s;
}

std::shared_ptr<ModalPanel> UiDriver::frontModal() const {
    return std::dynamic_pointer_cast<ModalPanel>(window_->frontModal());
}

bool UiDriver::answerFront(int index) {
    auto panel = frontModal();
    if (!panel) return false;
    window_->layoutIfNeeded();
    return tap(panel->buttonViewForIndex(index));
}

bool UiDriver::answerFront(const std::string& buttonTitle) {
    auto panel = frontModal();
    int index = 0;
    if (!panel || !panel->indexOfButtonTitle(buttonTitle, index)) return false;
    return answerFront(index);
}

void UiDriver::advance(double seconds) {
    if (!loop_) throw std::logic_error("UiDriver::advance needs the window's ManualRunLoop");
    loop_->advance(seconds);
}

void UiDriver::finishTransitions() {
    window_->finishTransition();
}

bool UiDriver::capture(WindowRenderer& renderer, const std::string& pngPath, std::string* error) {
    if (!renderer.render(*window_)) {
        if (error) *error = "the window could not be rendered";
        return false;
    }
    return renderer.capturePng(pngPath, error);
}

}  // namespace platform::ui
