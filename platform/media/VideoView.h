#pragma once
// Shows a media player's pictures in the view tree: the newest frame, copied into a texture,
// fitted into the bounds with its aspect kept (the rest stays clear). While shown it looks for a
// new frame at the display's pace, since the player draws nothing by itself. Like all GL
// objects, destroy it with its GL context current.
#include <memory>

#include "platform/gl/FramebufferTexture.h"
#include "platform/media/MediaPlayer.h"
#include "platform/ui/View.h"

namespace platform::media {

class VideoView : public ui::View {
  public:
    // How often a shown view looks for a new frame.
    static constexpr double kRefreshSeconds = 1.0 / 60;

    explicit VideoView(std::shared_ptr<MediaPlayer> player);
    const char* className() const override { return "VideoView"; }

    const std::shared_ptr<MediaPlayer>& player() const { return player_; }
    // The rectangle (own coordinates) a picture of `size` takes: centred, as large as fits.
    static Rect aspectFit(Size picture, Rect bounds);
    // The serial of the frame drawn last (0 before any).
    std::uint64_t drawnSerial() const { return serial_; }

    void draw(ui::DrawContext& ctx) override;

  private:
    std::shared_ptr<MediaPlayer> player_;
    std::uint64_t serial_ = 0;
    Size pictureSize_;
    gl::FramebufferTexture texture_{GL_RGBA};
};

}  // namespace platform::media
