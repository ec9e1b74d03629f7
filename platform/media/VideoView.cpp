#include "platform/media/VideoView.h"

#include <algorithm>

#include "platform/ui/DrawContext.h"

namespace platform::media {

VideoView::VideoView(std::shared_ptr<MediaPlayer> player) : player_(std::move(player)) {}

Rect VideoView::aspectFit(Size picture, Rect bounds) {
    if (!(picture.width > 0) || !(picture.height > 0)) return {bounds.origin, {0, 0}};
    const float scale = std::min(bounds.size.width / picture.width, bounds.size.height / picture.height);
    const Size fitted{picture.width * scale, picture.height * scale};
    return {{bounds.origin.x + (bounds.size.width - fitted.width) / 2,
             bounds.origin.y + (bounds.size.height - fitted.height) / 2},
            fitted};
}

void VideoView::draw(ui::DrawContext& ctx) {
    if (!player_) return;
    setNeedsDisplayAt(ctx.now() + kRefreshSeconds);
    // Straight from the decoder's picture: no copy of it on the main thread.
    player_->useLatestFrame(serial_, [this](const VideoFrame& frame) {
        if (!texture_.upload(frame.rgba.data(), frame.width, frame.height)) return;
        serial_ = frame.serial;
        pictureSize_ = {static_cast<float>(frame.width), static_cast<float>(frame.height)};
    });
    if (texture_.empty()) return;
    const Rect area = aspectFit(pictureSize_, bounds());
    if (!(area.size.width >= 1) || !(area.size.height >= 1)) return;
    ui::DrawContext::RawGL raw(ctx, area);
    // Rows run top first, so t is flipped; the pictures are opaque (alpha 1 throughout).
    const GLfloat pos[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
    const GLfloat s = texture_.maxS();
    const GLfloat t = texture_.maxT();
    const GLfloat uv[8] = {0, t, s, t, 0, 0, s, 0};
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    texture_.draw(pos, uv, 1.0f);
}

}  // namespace platform::media
