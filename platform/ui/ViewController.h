#pragma once
// Owns one screen's view: loads it on first use (from the interface file it was named with, or
// as a plain view), binds the file's outlets and actions to what the subclass registered, and
// receives will/did appear and disappear as its view joins and leaves the window.
// Controllers are held by std::shared_ptr.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/InterfaceOrientation.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TabBarItem.h"

namespace platform::ui {

class Control;
class NavigationController;
class TabBarController;
class UiResources;
class View;
struct LoadedInterface;

class ViewController : public std::enable_shared_from_this<ViewController> {
  public:
    using Action = std::function<void(Control& sender)>;

    // `interfaceName` is the interface file's name without ".json"; empty for none.
    explicit ViewController(std::string interfaceName = "");
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    const std::string& interfaceName() const { return interfaceName_; }
    // Where the interface file and its images are looked up (the shared resources by default).
    void setResources(std::shared_ptr<const UiResources> resources) { resources_ = std::move(resources); }

    // The view, loaded on first use. Loading an interface file that names an outlet or action
    // this controller did not register throws InterfaceFileError.
    std::shared_ptr<View> view();
    bool isViewLoaded() const { return view_ != nullptr; }
    void setView(std::shared_ptr<View> view);

    // --- appearance ---
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated) {}
    virtual void viewDidAppear(bool animated) {}
    virtual void viewWillDisappear(bool animated) {}
    virtual void viewDidDisappear(bool animated) {}
    // The view is on a window (between did appear and will disappear).
    bool isAppeared() const { return appeared_; }

    // --- bars and containers ---
    NavigationItem& navigationItem() { return navigationItem_; }
    TabBarItem& tabBarItem() { return tabBarItem_; }
    // The nearest container of that kind above this controller, null when none.
    NavigationController* navigationController() const;
    TabBarController* tabBarController() const;
    ViewController* parentViewController() const { return parent_; }
    // Which edges the view may extend under bars; recorded for callers, the containers always
    // lay the view out between their bars.
    unsigned edgesForExtendedLayout() const { return extendedEdges_; }
    void setEdgesForExtendedLayout(unsigned edges) { extendedEdges_ = edges; }

    // --- orientation: portrait is the one the toolkit lays out ---
    virtual bool shouldAutorotateToInterfaceOrientation(InterfaceOrientation o) {
        return o == InterfaceOrientation::Portrait;
    }
    virtual bool shouldAutorotate() { return true; }
    virtual unsigned supportedInterfaceOrientations() {
        return interfaceOrientationMask(InterfaceOrientation::Portrait);
    }
    virtual InterfaceOrientation preferredInterfaceOrientationForPresentation() {
        return InterfaceOrientation::Portrait;
    }

    // --- interface-file binding (register in the constructor, before the view loads) ---
    template <class T>
    void registerOutlet(const std::string& name, std::shared_ptr<T>& slot) {
        registerOutletSetter(name, [&slot](const std::shared_ptr<View>& v) {
            auto typed = std::dynamic_pointer_cast<T>(v);
            if (!typed) return false;
            slot = std::move(typed);
            return true;
        });
    }
    // The setter answers false when the view is not of the class the outlet needs.
    void registerOutletSetter(const std::string& name,
                              std::function<bool(const std::shared_ptr<View>&)> setter);
    void registerAction(const std::string& name, Action action);
    bool hasOutlet(const std::string& name) const { return outlets_.count(name) != 0; }
    bool hasAction(const std::string& name) const { return actions_.count(name) != 0; }
    // The view bound to an outlet by the last interface file, null when none.
    std::shared_ptr<View> outletView(const std::string& name) const;

  protected:
    // The resources given with setResources, else the shared ones.
    std::shared_ptr<const UiResources> resources() const;
    // Makes the view: the interface file when one is named, else a plain 320 x 480 view.
    virtual void loadView();
    // Binds a loaded file to the registered outlets and actions and makes its root the view.
    // Everything is checked before anything is bound.
    void adoptInterface(const LoadedInterface& loaded);

  private:
    friend class View;
    friend class NavigationController;
    friend class TabBarController;
    void viewWillMoveToWindow(bool ontoWindow);
    void viewDidMoveToWindow(bool ontoWindow);

    std::string interfaceName_;
    std::shared_ptr<const UiResources> resources_;
    std::shared_ptr<View> view_;
    bool appeared_ = false;
    bool appearing_ = false;
    NavigationItem navigationItem_;
    TabBarItem tabBarItem_;
    ViewController* parent_ = nullptr;
    unsigned extendedEdges_ = 15;
    std::map<std::string, std::function<bool(const std::shared_ptr<View>&)>> outlets_;
    std::map<std::string, Action> actions_;
    std::map<std::string, std::weak_ptr<View>> boundOutlets_;
};

}  // namespace platform::ui
