#pragma once
// Owns one screen's view: loads it on first use (from the interface file it was named with, or
// as a plain view), binds the file's outlets and actions to what the subclass registered, and
// receives will/did appear and disappear as its view joins and leaves the window. It can present
// another controller over the window's content (above the root view, below alerts) and dismiss
// it again; a presented controller can present in turn (a sheet over an interstitial).
// Controllers are held by std::shared_ptr.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/InterfaceOrientation.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TabBarItem.h"

namespace platform::ui {

class Control;
class NavigationController;
class TabBarController;
class TransitionContext;
class UiResources;
class View;
class ViewAnimation;
class Window;
class ViewControllerAnimatedTransitioning;
class ViewControllerTransitioningDelegate;
struct LoadedInterface;

// Numbered as the phone platform numbers them. Every style covers the whole window; the
// presenting view stays on the window below the presented one.
enum class ModalPresentationStyle {
    FullScreen = 0,
    PageSheet = 1,
    FormSheet = 2,
    CurrentContext = 3,
    OverFullScreen = 5,
    OverCurrentContext = 6
};
// Only cover-vertical moves; the others show and hide at once.
enum class ModalTransitionStyle { CoverVertical = 0, FlipHorizontal = 1, CrossDissolve = 2, PartialCurl = 3 };

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

    // --- presentation ---
    // The slide of an animated cover-vertical presentation or dismissal, on the window's clock.
    static constexpr double kPresentationSeconds = 0.3;
    // The slide waits, off the window's edge, for a page under the view to draw at its size
    // (ShowReadiness), so that it brings in the page rather than an empty sheet; at most this long.
    static constexpr double kShowWaitSeconds = 0.3;
    // Puts `controller` over this one's window and runs `completion` once it is in place (after
    // the slide when animated). A child controller presents from its top-most parent. Refused
    // (false, no completion) when this controller is not on a window, already presents one
    // (presenting twice), or `controller` is null, this one or already presented.
    virtual bool presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                                       std::function<void()> completion = {});
    // Dismisses what this controller presents, or, when it presents nothing, this controller
    // itself. Controllers presented above the one leaving go at once, without a slide. A
    // dismissal during the present slide slides back from where the view is (the presentation's
    // completion runs first); a second dismissal while one runs adds its completion to it.
    // With nothing to dismiss the completion runs at once. Both may be overridden (a screen that
    // hands the call to another controller); an override calls the base to do the work.
    // When the presented controller's transitioning delegate gives an animator, an animated
    // presentation or dismissal runs through it instead of the slide (an unanimated one does not
    // ask); an interactive one starts inside the call. An animated dismissal asked for during
    // such a presentation follows its end (finding nothing to dismiss when it was cancelled); an
    // unanimated one ends it at once as if it had taken place (its completion runs first).
    virtual void dismissViewController(bool animated, std::function<void()> completion = {});
    // The controller this one presents, and the one that presented this one (null when none).
    const std::shared_ptr<ViewController>& presentedViewController() const { return presented_; }
    ViewController* presentingViewController() const { return presenting_; }
    // From the start of presentViewController to its completion, and from the start of a
    // dismissal to its end.
    bool isBeingPresented() const { return beingPresented_; }
    bool isBeingDismissed() const { return beingDismissed_; }
    // Being presented, its slide not yet started: waiting for what it shows to be ready.
    bool isWaitingToSlide() const { return beingPresented_ && slideWait_ != nullptr; }
    ModalPresentationStyle modalPresentationStyle() const { return presentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle style) { presentationStyle_ = style; }
    ModalTransitionStyle modalTransitionStyle() const { return transitionStyle_; }
    void setModalTransitionStyle(ModalTransitionStyle style) { transitionStyle_ = style; }
    // Gives the animator (and interaction) of this controller's own presentation and dismissal
    // (ViewControllerTransitioning.h); held weakly, as the presenter keeps it.
    void setTransitioningDelegate(std::weak_ptr<ViewControllerTransitioningDelegate> delegate) {
        transitioningDelegate_ = std::move(delegate);
    }
    std::shared_ptr<ViewControllerTransitioningDelegate> transitioningDelegate() const {
        return transitioningDelegate_.lock();
    }

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
    ViewController* presentationRoot();
    void finishPresentation();
    void finishDismissal();
    // Takes the presented chain from `presented_` up off the window at once, top first.
    void dropPresentedChain();
    // Custom transitions (ViewControllerTransition.cpp). The start calls answer false when the
    // delegate gives no animator; the presented controller holds the running one's context.
    bool startCustomPresentation(const std::shared_ptr<ViewController>& controller, ViewController& source,
                                 Window& window);
    bool startCustomDismissal(Window& window);
    void completeCustomPresentation(bool didComplete);
    void completeCustomDismissal(bool didComplete);
    // Ends a running custom transition at once as if it had taken place.
    void endTransitionAtOnce();
    // Starts the presentation's slide once every page under the view is ready to show (or the
    // wait for them is over).
    void slideWhenReadyToShow(Window& window);
    void startSlide();
    void endSlideWait();

    ViewController* presenting_ = nullptr;
    std::shared_ptr<ViewController> presented_;
    bool beingPresented_ = false;
    bool beingDismissed_ = false;
    // While set, arriving on the window starts the appearance without completing it.
    bool holdAppearance_ = false;
    bool disappearing_ = false;
    bool slideAnimated_ = false;
    ModalPresentationStyle presentationStyle_ = ModalPresentationStyle::FullScreen;
    ModalTransitionStyle transitionStyle_ = ModalTransitionStyle::CoverVertical;
    std::weak_ptr<ViewControllerTransitioningDelegate> transitioningDelegate_;
    std::shared_ptr<ViewAnimation> slide_;
    // While the slide waits: what it listens to, and its bound.
    struct SlideWait;
    std::shared_ptr<SlideWait> slideWait_;
    std::shared_ptr<TransitionContext> transition_;
    // A dismissal asked for during a custom presentation waits for its end.
    bool dismissAfterTransition_ = false;
    bool dismissAfterTransitionAnimated_ = false;
    // The controller presentViewController was called on, when it handed the call to its parent.
    ViewController* presentationSource_ = nullptr;
    std::vector<std::function<void()>> presentCompletions_;
    std::vector<std::function<void()>> dismissCompletions_;

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
