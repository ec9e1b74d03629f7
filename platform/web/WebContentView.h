#pragma once
// Shows a web view's page in the window's view tree: each frame (at least every kRefreshSeconds
// while shown) the page's snapshot is copied
// into a texture and drawn over the view's bounds, so a page sits at any rectangle, over or
// under the game; touches on the view reach the page as mouse events. The engine follows the
// view's size. Like all GL objects, destroy it with its GL context current.
#include <memory>

#include "platform/gl/FramebufferTexture.h"
#include "platform/ui/View.h"
#include "platform/web/WebEngine.h"

namespace platform::web {

class WebContentView : public ui::View {
  public:
    explicit WebContentView(std::shared_ptr<WebEngine> engine);
    const char* className() const override { return "WebContentView"; }

    // How often a shown page's picture is taken again.
    static constexpr double kRefreshSeconds = 1.0 / 30;

    const std::shared_ptr<WebEngine>& engine() const { return engine_; }

    void layoutSubviews() override;
    void draw(ui::DrawContext& ctx) override;
    void touchesBegan(const ui::TouchList& touches, const ui::TouchEvent& event) override;
    void touchesMoved(const ui::TouchList& touches, const ui::TouchEvent& event) override;
    void touchesEnded(const ui::TouchList& touches, const ui::TouchEvent& event) override;
    void touchesCancelled(const ui::TouchList& touches, const ui::TouchEvent& event) override;

  private:
    void forward(const ui::TouchList& touches, MouseEventType type);

    std::shared_ptr<WebEngine> engine_;
    gl::FramebufferTexture texture_{GL_RGBA};
};

}  // namespace platform::web
