#include "platform/web/WebContentView.h"

#include <cmath>

#include "platform/ui/DrawContext.h"
#include "platform/ui/Touch.h"

namespace platform::web {

WebContentView::WebContentView(std::shared_ptr<WebEngine> engine) : engine_(std::move(engine)) {}

void WebContentView::layoutSubviews() {
    if (!engine_) return;
    const int w = static_cast<int>(std::lround(bounds().size.width));
    const int h = static_cast<int>(std::lround(bounds().size.height));
    if (w > 0 && h > 0 && (w != engine_->width() || h != engine_->height())) engine_->setSize(w, h);
}

void WebContentView::draw(ui::DrawContext& ctx) {
    if (!engine_) return;
    layoutSubviews();
    // The engine tells of no repaint, so a shown page is looked at again at a video's pace
    // (the window draws only on demand otherwise).
    setNeedsDisplayAt(ctx.now() + kRefreshSeconds);
    const Image page = engine_->snapshot();
    if (!page.hasBitmap() || !texture_.upload(page.pixels.data(), page.width, page.height)) return;
    ui::DrawContext::RawGL raw(ctx, bounds());
    // The snapshot's rows run top first, so t is flipped; its colours are premultiplied.
    const GLfloat pos[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
    const GLfloat s = texture_.maxS();
    const GLfloat t = texture_.maxT();
    const GLfloat uv[8] = {0, t, s, t, 0, 0, s, 0};
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    texture_.draw(pos, uv, 1.0f);
}

void WebContentView::forward(const ui::TouchList& touches, MouseEventType type) {
    if (!engine_ || touches.empty()) return;
    const Point p = touches.front()->locationInView(this);
    engine_->sendMouseEvent({type, p.x, p.y});
}

void WebContentView::touchesBegan(const ui::TouchList& touches, const ui::TouchEvent&) {
    forward(touches, MouseEventType::Down);
}
void WebContentView::touchesMoved(const ui::TouchList& touches, const ui::TouchEvent&) {
    forward(touches, MouseEventType::Move);
}
void WebContentView::touchesEnded(const ui::TouchList& touches, const ui::TouchEvent&) {
    forward(touches, MouseEventType::Up);
}
void WebContentView::touchesCancelled(const ui::TouchList& touches, const ui::TouchEvent&) {
    forward(touches, MouseEventType::Up);
}

}  // namespace platform::web
