#include "platform/web/WebContentView.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

#include "platform/gl/GLContext.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Touch.h"
#include "platform/ui/Window.h"

namespace platform::web {

WebContentView::WebContentView(std::shared_ptr<WebEngine> engine) : engine_(std::move(engine)) {
    // The page lays out at the screen's scale from the start: the engine paints a new scale a
    // moment after it is set, and a page first drawn in the window (an interstitial sliding in)
    // would show the picture of the old scale meanwhile, in the top left corner of its place.
    if (engine_ && ui::Screen::mainScale() > 0) {
        // Resizing the engine's window may make the engine's own GL context current behind the
        // app's back; what the app uploads next (a game's textures) must still reach its own.
        GLContext* current = GLContext::current();
        engine_->setScale(ui::Screen::mainScale());
        if (current) current->makeCurrent();
    }
    if (!engine_) return;
    // Nobody sees the page until a frame of the window draws it.
    engine_->setShown(false);
    pageHasDrawn_ = engine_->frameNumber() > 0 && engine_->drawnAtSize();
    listening_ = engine_->listenToFrames([this] { pageDrew(); });
}

WebContentView::~WebContentView() = default;

void WebContentView::layoutSubviews() {
    if (!engine_) return;
    const int w = static_cast<int>(std::lround(bounds().size.width));
    const int h = static_cast<int>(std::lround(bounds().size.height));
    if (w > 0 && h > 0 && (w != engine_->width() || h != engine_->height())) engine_->setSize(w, h);
}

void WebContentView::draw(ui::DrawContext& ctx) {
    if (!engine_) return;
    if (ui::Window* shownIn = window(); shownIn && shownIn->drawingFrame()) {
        drawnInFrame_ = shownIn->displayCount();
        if (!drawListening_) drawListening_ = shownIn->listenToDraws([this] { windowDrew(); });
        engine_->setShown(true);
    }
    const int width = engine_->width();
    const int height = engine_->height();
    const double scale = engine_->scale();
    layoutSubviews();
    if (ctx.scale() > 0 && std::abs(engine_->scale() - ctx.scale()) > 1e-6) engine_->setScale(ctx.scale());
    copyPage(ctx.now(),
             width != engine_->width() || height != engine_->height() || scale != engine_->scale());
    if (!copied_) return;
    ui::DrawContext::RawGL raw(ctx, bounds());
    // The picture is taken at the window's scale, so it mostly lies one texel to a pixel.
    texture_.setNearest(raw.width() == copiedWidth_ && raw.height() == copiedHeight_);
    // The snapshot's rows run top first, so t is flipped; its colours are premultiplied, and an
    // opaque picture is copied over what lies under it rather than blended.
    const GLfloat pos[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
    const GLfloat s = texture_.maxS();
    const GLfloat t = texture_.maxT();
    const GLfloat uv[8] = {0, t, s, t, 0, 0, s, 0};
    if (copiedOpaque_) glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    texture_.draw(pos, uv, 1.0f);
    glEnable(GL_BLEND);
}

void WebContentView::windowDrew() {
    const ui::Window* shownIn = window();
    if (shownIn && drawnInFrame_ == shownIn->displayCount()) return;
    drawListening_.reset();
    engine_->setShown(false);
}

bool WebContentView::readyToShow() const {
    // A page that has not drawn yet since the view was made is not waited for: it may be one
    // that never draws (a blank or scripted page), and only a page that has drawn shows its
    // picture at an old size or scale meanwhile.
    return !engine_ || !pageHasDrawn_ || engine_->drawnAtSize();
}

std::shared_ptr<void> WebContentView::listenForReadiness(std::function<void()> changed) {
    return engine_ ? engine_->listenToFrames(std::move(changed)) : nullptr;
}

bool WebContentView::drawsOpaquely() const {
    return copied_ && copiedOpaque_ && engine_ && engine_->frameNumber() == copiedFrame_;
}

void WebContentView::copyPage(double now, bool resized) {
    const std::uint64_t frame = engine_->frameNumber();
    if (copied_ && frame == copiedFrame_) return;
    // A picture of another size is taken at once; otherwise at a video's pace at most, however
    // often the page draws, and less often where copying its pictures costs the game more than
    // its share (the window draws again when the next one is due).
    if (copied_ && !resized && now >= copiedAt_ && now < copyPace_.nextAt()) {
        setNeedsDisplayAt(copyPace_.nextAt());
        return;
    }
    const double started = View::now();
    const Image page = engine_->snapshot();
    if (!page.hasBitmap() || !texture_.upload(page.pixels.data(), page.width, page.height)) {
        copied_ = false;
        return;
    }
    copied_ = true;
    copiedFrame_ = frame;
    copiedAt_ = now;
    copiedWidth_ = page.width;
    copiedHeight_ = page.height;
    copiedOpaque_ = true;
    for (std::size_t i = 3; i < page.pixels.size() && copiedOpaque_; i += 4)
        copiedOpaque_ = page.pixels[i] == 255;
    // Weighed on the window's clock, as the pace is: the copy's real time in the window, and none on
    // a virtual clock, whose frames then come at the same ticks however fast the machine copies.
    // The page's new picture asked for the window's frame it shows in: that costs the game what
    // the window's last frame did.
    const ui::Window* shownIn = window();
    copyPace_.copied(now, std::max(View::now() - started, 0.0) + (shownIn ? shownIn->lastFrameSeconds() : 0));
}

void WebContentView::pageDrew() {
    pageHasDrawn_ = true;
    const ui::Window* shownIn = window();
    if (!shownIn) return;
    // A page nobody sees costs no frame; showing it again asks for one.
    std::shared_ptr<const View> held;
    for (const View* v = this; v; v = (held = v->superview()).get()) {
        if (v->isHidden() || v->alpha() < 0.01f) return;
    }
    const double due = copyPace_.nextAt();
    if (!copied_ || shownIn->now() >= due || shownIn->now() < copiedAt_) {
        setNeedsDisplay();
    } else {
        setNeedsDisplayAt(due);
    }
}

bool WebContentView::scrollWheel(Point location, float dx, float dy) {
    if (!engine_) return false;
    engine_->sendScrollEvent({location.x, location.y, dx, dy});
    return true;
}

void WebContentView::typeText(const std::string& utf8) {
    if (!engine_ || !g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr)) return;
    // Hold the engine: a key may make the page's host release this view.
    const auto engine = engine_;
    for (const char* p = utf8.c_str(); *p; p = g_utf8_next_char(p)) {
        const char* next = g_utf8_next_char(p);
        std::string key(p, static_cast<std::size_t>(next - p));
        if (key == "\n") key = "Enter";
        if (key == "\t") key = "Tab";
        engine->sendKeyEvent({KeyEventType::Down, key});
        engine->sendKeyEvent({KeyEventType::Up, key});
    }
}

bool WebContentView::pageScrolls() const {
    const ContentSize content = engine_->contentSize();
    return content.width > engine_->width() || content.height > engine_->height();
}

void WebContentView::sendMouse(MouseEventType type, Point p) {
    engine_->sendMouseEvent({type, p.x, p.y});
}

void WebContentView::touchesBegan(const ui::TouchList& touches, const ui::TouchEvent&) {
    if (!engine_ || touches.empty()) return;
    touchStart_ = lastTouch_ = touches.front()->locationInView(this);
    engine_->setFocused(true);
    // On a page that scrolls, the press waits until the touch shows whether it is a tap.
    gesture_ = pageScrolls() ? Gesture::Undecided : Gesture::Mouse;
    if (gesture_ == Gesture::Mouse) sendMouse(MouseEventType::Down, touchStart_);
}

void WebContentView::touchesMoved(const ui::TouchList& touches, const ui::TouchEvent&) {
    if (!engine_ || touches.empty()) return;
    const Point p = touches.front()->locationInView(this);
    if (gesture_ == Gesture::Undecided && std::hypot(p.x - touchStart_.x, p.y - touchStart_.y) > kDragSlop)
        gesture_ = Gesture::Scroll;
    if (gesture_ == Gesture::Mouse) sendMouse(MouseEventType::Move, p);
    if (gesture_ == Gesture::Scroll)
        engine_->sendScrollEvent({p.x, p.y, lastTouch_.x - p.x, lastTouch_.y - p.y});
    if (gesture_ != Gesture::Undecided) lastTouch_ = p;
}

void WebContentView::touchesEnded(const ui::TouchList& touches, const ui::TouchEvent&) {
    if (!engine_ || touches.empty()) return;
    const Point p = touches.front()->locationInView(this);
    const Gesture gesture = gesture_;
    gesture_ = Gesture::None;
    const auto engine = engine_;  // the page's click may make its host release this view
    if (gesture == Gesture::Undecided) {
        engine->sendMouseEvent({MouseEventType::Move, touchStart_.x, touchStart_.y});
        engine->sendMouseEvent({MouseEventType::Down, touchStart_.x, touchStart_.y});
    }
    if (gesture == Gesture::Undecided || gesture == Gesture::Mouse)
        engine->sendMouseEvent({MouseEventType::Up, p.x, p.y});
}

void WebContentView::touchesCancelled(const ui::TouchList& touches, const ui::TouchEvent&) {
    if (!engine_ || touches.empty()) return;
    const Gesture gesture = gesture_;
    gesture_ = Gesture::None;
    if (gesture == Gesture::Mouse) sendMouse(MouseEventType::Up, touches.front()->locationInView(this));
}

void WebContentView::willMoveToWindow(ui::Window* window) {
    if (!engine_) return;
    if (!window) engine_->setFocused(false);
    // Shown again once the new window draws it.
    drawListening_.reset();
    engine_->setShown(false);
}

}  // namespace platform::web
