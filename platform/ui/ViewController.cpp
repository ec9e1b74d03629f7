#include "platform/ui/ViewController.h"

#include "platform/ui/Control.h"
#include "platform/ui/InterfaceFileError.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/UiResources.h"
#include "platform/ui/View.h"

namespace platform::ui {

ViewController::ViewController(std::string interfaceName) : interfaceName_(std::move(interfaceName)) {}

ViewController::~ViewController() {
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
        viewWillAppear(false);
    } else if (!ontoWindow && (appeared_ || appearing_)) {
        viewWillDisappear(false);
    }
}

void ViewController::viewDidMoveToWindow(bool ontoWindow) {
    if (ontoWindow && appearing_) {
        appearing_ = false;
        appeared_ = true;
        viewDidAppear(false);
    } else if (!ontoWindow && (appeared_ || appearing_)) {
        appeared_ = false;
        appearing_ = false;
        viewDidDisappear(false);
    }
}

}  // namespace platform::ui
