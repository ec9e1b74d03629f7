#pragma once
// Shows a resized rich-media ad over the app: the ad keeps the size and offset its page asked
// for, measured from where the ad sits in its reference view, and the rest of the screen stays
// the app's. Properties that do not fit the screen are refused (a frame that would only poke
// past an edge is moved back in when the page does not allow it off screen). A rotation that
// leaves the ad unable to fit closes it; every refusal reaches the page as an error.
#include <memory>
#include <string>

#include "ads/render/overlay/DZTransparentOverlayPresenter.h"

class DZMRAIDEventHandling;
class DZMRAIDResizeProperties;
namespace platform::ui {
class View;
}

class DZMRAIDResizeOverlayPresenter : public DZTransparentOverlayPresenter {
  public:
    // Seconds between moving the ad after a rotation and checking that it still fits.
    static constexpr double kRecheckSeconds = 0.1;

    // Offsets count from `anchor`, the ad's top-left corner in the reference view.
    explicit DZMRAIDResizeOverlayPresenter(std::shared_ptr<platform::ui::View> referenceView,
                                           platform::Point anchor = {});

    // Keeps only properties that fit the screen; others are reported and the old ones stay.
    void setResizeProperties(const std::shared_ptr<DZMRAIDResizeProperties>& properties);
    bool resizePropertiesAreValid(const DZMRAIDResizeProperties& properties,
                                  const platform::ui::View& view) const;
    // One shift per axis towards the inside of `bounds`; a larger frame stays too large.
    static platform::Rect adjustedContentFrame(const platform::Rect& frame, const platform::Rect& bounds);
    // The screen the application fills, in window coordinates, turned with the status bar.
    static platform::Rect orientedApplicationFrame();
    // Where the ad goes in the crop view.
    platform::Rect contentFrame() const;
    void repositionContentIfNeeded();

    bool isReadyToPresent() const override;
    void composeTransparentInterstitialViewsForPresentation() override;
    void updateTransparentInterstitialOrientation() override;

    const std::shared_ptr<platform::ui::View>& referenceView() const { return referenceView_; }
    const std::shared_ptr<DZMRAIDResizeProperties>& resizeProperties() const { return resizeProperties_; }
    void setMRAIDEventHandler(std::weak_ptr<DZMRAIDEventHandling> handler) { handler_ = std::move(handler); }
    std::shared_ptr<DZMRAIDEventHandling> MRAIDEventHandler() const { return handler_.lock(); }
    // Whether the page hears "default" when the ad goes (not after it went on to expand).
    bool dismissToDefaultState() const { return dismissToDefaultState_; }
    void setDismissToDefaultState(bool toDefault) { dismissToDefaultState_ = toDefault; }

  private:
    platform::Rect frameInReferenceView(const DZMRAIDResizeProperties& properties) const;
    void placeCropView();
    void setPresentedFrame(const platform::Rect& frame);
    void reportError(const std::string& message, const std::string& action) const;

    std::shared_ptr<platform::ui::View> referenceView_;
    platform::Point anchor_;
    std::shared_ptr<DZMRAIDResizeProperties> resizeProperties_;
    std::weak_ptr<DZMRAIDEventHandling> handler_;
    bool dismissToDefaultState_ = true;
    // One re-check waits at a time, and a frame that no longer fits is reported once.
    bool recheckScheduled_ = false;
    bool closingAsInvalid_ = false;
};
