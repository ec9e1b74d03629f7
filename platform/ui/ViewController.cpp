#include "platform/ui/ViewController.h"

#include <algorithm>
#include <utility>

#include "platform/runloop/RunLoop.h"
#include "platform/ui/Control.h"
#include "platform/ui/InterfaceFileError.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ShowReadiness.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TransitionContext.h"
#include "platform/ui/UiResources.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/Window.h"

namespace platform::ui {

ViewController::ViewController(std::string interfaceName) : interfaceName_(std::move(interfaceName)) {}

ViewController::~ViewController() {
    // What this controller presents cannot outlive it on the window.
    dropPresentedChain();
    if (view_ && view_->viewController() == this) view_->setViewController(nullptr);
}

std::shared_ptr<View> ViewController::view() {
    if (!view_) {
        loadView();
        if (!view_) setView(std::make_shared<View>(Rect{0, 0, 320, 480}));
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
    if (view_ && view_->viewController() == this) view_->setViewController(nullptr);
    view_ = std::move(view);
    if (view_) view_->setViewController(this);
}

void ViewController::loadView() {
    if (interfaceName_.empty()) {
        setView(std::make_shared<View>(Rect{0, 0, 320, 480}));
        return;
    }
    InterfaceLoader loader(resources());
    adoptInterface(loader.loadNamed(interfaceName_));
}

std::shared_ptr<const UiResources> ViewController::resources() const {
    return resources_ ? resources_ : std::shared_ptr<const UiResources>(UiResources::shared());
}

void ViewController::adoptInterface(const LoadedInterface& loaded) {
    for (const auto& [name, view] : loaded.outlets) {
        if (!outlets_.count(name)) throw InterfaceFileError(loaded.file, name, "unknown outlet");
    }
    for (const auto& binding : loaded.actions) {
        if (!actions_.count(binding.action))
            throw InterfaceFileError(loaded.file, binding.action, "unknown action");
    }
    for (const auto& [name, view] : loaded.outlets) {
        if (!outlets_.at(name)(view)) {
            throw InterfaceFileError(
                loaded.file, name,
                std::string("outlet of another class (the file gives ") + view->className() + ")");
        }
        boundOutlets_[name] = view;
    }
    // An action outliving its controller (a view kept elsewhere) must not call into a dead one.
    const std::weak_ptr<ViewController> weakSelf = weak_from_this();
    const bool shared = !weakSelf.expired();
    for (const auto& binding : loaded.actions) {
        const Action& action = actions_.at(binding.action);
        binding.control->addTarget(binding.events, [weakSelf, shared, action](Control& sender) {
            if (shared && weakSelf.expired()) return;
            action(sender);
        });
    }
    setView(loaded.root);
}

void ViewController::registerOutletSetter(const std::string& name,
                                          std::function<bool(const std::shared_ptr<View>&)> setter) {
    outlets_[name] = std::move(setter);
}

void ViewController::registerAction(const std::string& name, Action action) {
    actions_[name] = std::move(action);
}

NavigationController* ViewController::navigationController() const {
    for (ViewController* p = parent_; p; p = p->parent_) {
        if (auto* nav = dynamic_cast<NavigationController*>(p)) return nav;
    }
    return nullptr;
}

TabBarController* ViewController::tabBarController() const {
    for (ViewController* p = parent_; p; p = p->parent_) {
        if (auto* tabs = dynamic_cast<TabBarController*>(p)) return tabs;
    }
    return nullptr;
}

std::shared_ptr<View> ViewController::outletView(const std::string& name) const {
    auto it = boundOutlets_.find(name);
    return it == boundOutlets_.end() ? nullptr : it->second.lock();
}

void ViewController::viewWillMoveToWindow(bool ontoWindow) {
    if (ontoWindow && !appeared_ && !appearing_) {
        appearing_ = true;
        viewWillAppear(holdAppearance_ && slideAnimated_);
    } else if (!ontoWindow && (appeared_ || appearing_) && !disappearing_) {
        disappearing_ = true;
        viewWillDisappear(beingDismissed_ && slideAnimated_);
    }
}

void ViewController::viewDidMoveToWindow(bool ontoWindow) {
    if (ontoWindow && appearing_ && !holdAppearance_) {
        appearing_ = false;
        appeared_ = true;
        viewDidAppear(false);
    } else if (!ontoWindow && (appeared_ || appearing_)) {
        appeared_ = false;
        appearing_ = false;
        disappearing_ = false;
        viewDidDisappear(slideAnimated_);
    }
}

ViewController* ViewController::presentationRoot() {
    ViewController* c = this;
    while (c->parent_) c = c->parent_;
    return c;
}

bool ViewController::presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                                           std::function<void()> completion) {
    ViewController* root = presentationRoot();
    if (root != this) {
        // Told to the root for its delegate; cleared after, in case an override never reads it.
        const auto keepRoot = root->weak_from_this().lock();
        root->presentationSource_ = this;
        const bool shown =
            root->presentViewController(std::move(controller), animated, std::move(completion));
        root->presentationSource_ = nullptr;
        return shown;
    }
    ViewController* source = std::exchange(presentationSource_, nullptr);
    if (!source) source = this;
    Window* window = isViewLoaded() ? view_->window() : nullptr;
    if (!controller || controller.get() == this || presented_ || controller->presenting_ || !window ||
        controller->presentationRoot() != controller.get()) {
        return false;
    }
    auto keep = weak_from_this().lock();
    presented_ = controller;
    controller->presenting_ = this;
    controller->beingPresented_ = true;
    controller->holdAppearance_ = true;
    controller->slideAnimated_ =
        animated && controller->transitionStyle_ == ModalTransitionStyle::CoverVertical;
    if (completion) controller->presentCompletions_.push_back(std::move(completion));
    auto v = controller->view();
    if (animated && startCustomPresentation(controller, *source, *window)) return true;
    const Rect end = window->bounds();
    Rect start = end;
    if (controller->slideAnimated_) start.origin.y += end.size.height;
    v->setTransform(AffineTransform::identity());
    v->setFrame(start);
    window->addPresentedView(v);
    if (!controller->slideAnimated_) {
        controller->finishPresentation();
        return true;
    }
    controller->slideWhenReadyToShow(*window);
    return true;
}

struct ViewController::SlideWait {
    std::vector<std::shared_ptr<void>> listening;
    std::shared_ptr<Timer> bound;
};

namespace {

void collectUnready(View& view, std::vector<ShowReadiness*>& unready) {
    if (view.isHidden()) return;
    if (auto* readiness = dynamic_cast<ShowReadiness*>(&view); readiness && !readiness->readyToShow())
        unready.push_back(readiness);
    for (const auto& child : view.subviews()) collectUnready(*child, unready);
}

bool readyToShow(View& view) {
    std::vector<ShowReadiness*> unready;
    collectUnready(view, unready);
    return unready.empty();
}

}  // namespace

void ViewController::slideWhenReadyToShow(Window& window) {
    // Laid out now: a page takes the view's size only then, and has to draw at it.
    view_->layoutIfNeeded();
    std::vector<ShowReadiness*> unready;
    collectUnready(*view_, unready);
    RunLoop* loop = window.runLoop();
    if (unready.empty() || !loop) {
        startSlide();
        return;
    }
    const std::weak_ptr<ViewController> weak = weak_from_this();
    auto wait = std::make_shared<SlideWait>();
    slideWait_ = wait;
    for (ShowReadiness* readiness : unready) {
        auto listening = readiness->listenForReadiness([weak] {
            auto c = weak.lock();
            if (c && c->slideWait_ && c->view_ && readyToShow(*c->view_)) c->startSlide();
        });
        if (listening) wait->listening.push_back(std::move(listening));
    }
    wait->bound = loop->scheduleOnce(kShowWaitSeconds, weak, [weak](Timer&) {
        if (auto c = weak.lock()) c->startSlide();
    });
}

void ViewController::endSlideWait() {
    // Held over the call: a listener ended here may be the one calling.
    if (const auto wait = std::move(slideWait_); wait && wait->bound) wait->bound->invalidate();
}

void ViewController::startSlide() {
    endSlideWait();
    Window* window = view_ ? view_->window() : nullptr;
    if (!beingPresented_ || slide_ || !window) return;
    const std::weak_ptr<ViewController> weak = weak_from_this();
    slide_ =
        ViewAnimation::start(view_, kPresentationSeconds,
                             ViewAnimation::Targets{.frame = window->bounds(), .alpha = {}, .transform = {}},
                             [weak](bool finished) {
                                 auto c = weak.lock();
                                 if (c && finished) c->finishPresentation();
                             });
}

void ViewController::finishPresentation() {
    if (!beingPresented_) return;
    auto keep = weak_from_this().lock();
    endSlideWait();
    slide_.reset();
    beingPresented_ = false;
    holdAppearance_ = false;
    if (appearing_ && view_ && view_->window()) {
        appearing_ = false;
        appeared_ = true;
        viewDidAppear(slideAnimated_);
    }
    auto done = std::move(presentCompletions_);
    presentCompletions_.clear();
    for (auto& f : done) f();
}

void ViewController::dismissViewController(bool animated, std::function<void()> completion) {
    ViewController* root = presentationRoot();
    if (root != this) return root->dismissViewController(animated, std::move(completion));
    ViewController* target = presented_ ? presented_.get() : presenting_ ? this : nullptr;
    if (!target) {
        if (completion) completion();
        return;
    }
    // The presenting side's link is what keeps the leaving controller alive.
    const std::shared_ptr<ViewController> leaving = target->presenting_->presented_;
    if (completion) leaving->dismissCompletions_.push_back(std::move(completion));
    if (leaving->beingDismissed_) return;
    // An animated dismissal does not cut a custom presentation (perhaps under the user's finger)
    // short: it follows its end. An unanimated one takes it away now.
    if (leaving->transition_ && leaving->beingPresented_ && animated) {
        leaving->dismissAfterTransition_ = true;
        leaving->dismissAfterTransitionAnimated_ = animated;
        return;
    }
    leaving->beingDismissed_ = true;
    if (leaving->beingPresented_) {
        if (auto s = std::move(leaving->slide_)) s->stop();
        leaving->endTransitionAtOnce();
        leaving->finishPresentation();
        // The presentation's completion may already have taken it away.
        if (!leaving->beingDismissed_) return;
    }
    leaving->dropPresentedChain();
    Window* window = leaving->view_ ? leaving->view_->window() : nullptr;
    if (animated && window && leaving->startCustomDismissal(*window)) return;
    leaving->slideAnimated_ =
        animated && window && leaving->transitionStyle_ == ModalTransitionStyle::CoverVertical;
    leaving->viewWillMoveToWindow(false);
    if (!leaving->slideAnimated_ || !leaving->beingDismissed_) {
        leaving->finishDismissal();
        return;
    }
    const float height = window->bounds().size.height;
    Rect end = leaving->view_->frame();
    const float remaining = height > 0 ? std::clamp((height - end.origin.y) / height, 0.0f, 1.0f) : 1.0f;
    end.origin.y = height;
    const std::weak_ptr<ViewController> weak = leaving;
    leaving->slide_ = ViewAnimation::start(leaving->view_, kPresentationSeconds * remaining,
                                           ViewAnimation::Targets{.frame = end, .alpha = {}, .transform = {}},
                                           [weak](bool) {
                                               if (auto c = weak.lock()) c->finishDismissal();
                                           });
}

void ViewController::finishDismissal() {
    if (!beingDismissed_) return;
    auto keep = weak_from_this().lock();
    if (auto s = std::move(slide_)) s->stop();
    if (auto t = std::move(transition_)) {
        // Dropped mid-transition: what the animator still does afterwards changes nothing here.
        t->abandon();
        t->restorePresentingView();
        t->removeContainer();
    }
    dropPresentedChain();
    if (view_) {
        if (Window* window = view_->window()) window->removePresentedView(view_.get());
    }
    ViewController* presenting = presenting_;
    presenting_ = nullptr;
    beingDismissed_ = false;
    // Appearance ends even when the view had already left the window some other way.
    if (appeared_ || appearing_) {
        appeared_ = appearing_ = disappearing_ = false;
        viewDidDisappear(slideAnimated_);
    }
    auto done = std::move(dismissCompletions_);
    dismissCompletions_.clear();
    auto self =
        presenting && presenting->presented_.get() == this ? std::move(presenting->presented_) : nullptr;
    for (auto& f : done) f();
}

void ViewController::dropPresentedChain() {
    while (presented_) {
        std::shared_ptr<ViewController> top = presented_;
        while (top->presented_) top = top->presented_;
        if (auto s = std::move(top->slide_)) s->stop();
        top->endTransitionAtOnce();
        top->finishPresentation();
        top->slideAnimated_ = false;
        top->beingDismissed_ = true;
        top->finishDismissal();
    }
}

}  // namespace platform::ui
