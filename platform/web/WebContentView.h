#pragma once
// Shows a web view's page in the window's view tree: the page's snapshot, drawn at the window's
// scale, is copied into a texture drawn over the view's bounds, so a page sits at any rectangle,
// over or under the game, with sharp text. The picture is copied again only after the page drew
// anew (at most every WebPageLimits::kRefreshSeconds, less often where the pictures of all pages,
// with the window frames they ask for, cost the game more than WebPageLimits::kCopyCoreShare), and a
// page that draws anew asks the window for a frame: a page that stands still costs the window
// nothing. Touches reach the page as mouse events, except that on a page taller or wider than the
// view a drag scrolls it (a tap is still a click); a touch gives the page the keyboard's focus. The
// engine follows the view's size, and is told it is shown while the window's last frame drew the
// view (not hidden, out of the window, or under an opaque view): the page's media plays only then.
// Like all GL objects, destroy it with its GL context current.
#include <memory>
#include <string>

#include "platform/gl/FramebufferTexture.h"
#include "platform/ui/ShowReadiness.h"
#include "platform/ui/View.h"
#include "platform/web/FrameCopyPace.h"
#include "platform/web/WebEngine.h"
#include "platform/web/WebPageLimits.h"

namespace platform::web {

class WebContentView : public ui::View, public ui::ShowReadiness {
  public:
    // How far (points) a touch moves before it is a drag rather than a tap.
    static constexpr double kDragSlop = 8;

    explicit WebContentView(std::shared_ptr<WebEngine> engine);
    ~WebContentView() override;
    const char* className() const override { return "WebContentView"; }

    const std::shared_ptr<WebEngine>& engine() const { return engine_; }

    // A wheel over the view at `location` (own coordinates); positive dy shows what is below.
    bool scrollWheel(Point location, float dx, float dy) override;
    // Text typed while the page has the focus, one key press per character (a line break is
    // Enter, a tab Tab).
    void typeText(const std::string& utf8);

    void layoutSubviews() override;
    void draw(ui::DrawContext& ctx) override;
    // While the picture drawn last is opaque and still the page's.
    bool drawsOpaquely() const override;
    // Once the page has drawn at its size and scale.
    bool readyToShow() const override;
    std::shared_ptr<void> listenForReadiness(std::function<void()> changed) override;
    void touchesBegan(const ui::TouchList& touches, const ui::TouchEvent& event) override;
    void touchesMoved(const ui::TouchList& touches, const ui::TouchEvent& event) override;
    void touchesEnded(const ui::TouchList& touches, const ui::TouchEvent& event) override;
    void touchesCancelled(const ui::TouchList& touches, const ui::TouchEvent& event) override;

  protected:
    void willMoveToWindow(ui::Window* window) override;

  private:
    // What the finger on the view does: not yet known (on a scrolling page, until it moves past
    // the slop or lifts), drive the page's mouse, or scroll.
    enum class Gesture { None, Undecided, Mouse, Scroll };
    bool pageScrolls() const;
    // The page drew anew: the window draws again, no sooner than the next picture is due (and
    // not at all while the page is hidden).
    void pageDrew();
    // The window has drawn a frame: a view it left out is no longer shown.
    void windowDrew();
    // Copies the page's picture into the texture when it may have changed since the last copy.
    void copyPage(double now, bool resized);
    void sendMouse(MouseEventType type, Point p);

    std::shared_ptr<WebEngine> engine_;
    gl::FramebufferTexture texture_{GL_RGBA};
    WebEngine::FrameListening listening_;
    bool pageHasDrawn_ = false;
    bool copied_ = false;
    std::uint64_t copiedFrame_ = 0;  // the engine's frame number the texture shows
    double copiedAt_ = 0;            // on the window's clock
    FrameCopyPace copyPace_{WebPageLimits::kCopyCoreShare, WebPageLimits::kRefreshSeconds};
    int copiedWidth_ = 0;  // pixels
    int copiedHeight_ = 0;
    bool copiedOpaque_ = false;            // no pixel of the picture lets anything under it show
    std::uint64_t drawnInFrame_ = 0;       // the window's frame that last drew the view
    std::shared_ptr<void> drawListening_;  // held while the view is shown
    Gesture gesture_ = Gesture::None;
    Point touchStart_;
    Point lastTouch_;
};

}  // namespace platform::web
