#include "shell/GameViewContainer.h"

#include "appbase/ShellLinks.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/TouchEvent.h"
#include "shell/GameViewBase.h"

using platform::Point;
using platform::ui::TouchList;

// A toolkit touch as the game core sees it: located in the game view's own coordinates. The game
// core may keep it after the container has gone (a touch held while the game is suspended), so
// it holds both the touch and the container weakly.
class GameViewContainer::TouchAdapter : public JTAppBase::TouchLink {
  public:
    TouchAdapter(std::weak_ptr<platform::ui::Touch> touch, std::weak_ptr<const platform::ui::View> container)
        : touch_(std::move(touch)), container_(std::move(container)) {}
    Point locationInView() const override {
        auto touch = touch_.lock();
        auto container = std::static_pointer_cast<const GameViewContainer>(container_.lock());
        if (!touch || !container) return {};
        const Point p = touch->locationInView(container.get());
        const GameViewBase* view = container->gameView();
        const Point origin = view != nullptr ? view->frame().origin : Point{};
        return {p.x - origin.x, p.y - origin.y};
    }
    int phase() const override {
        auto touch = touch_.lock();
        return touch ? static_cast<int>(touch->phase()) : 4;
    }

  private:
    std::weak_ptr<platform::ui::Touch> touch_;
    std::weak_ptr<const platform::ui::View> container_;
};

GameViewContainer::GameViewContainer(platform::Rect frame) : View(frame) {
    setBackgroundColor(platform::ui::Color::black());
    setMultipleTouchEnabled(true);
}

GameViewContainer::~GameViewContainer() = default;

std::vector<std::shared_ptr<GameViewContainer::TouchAdapter>> GameViewContainer::adapt(
    const platform::ui::TouchEvent& event) {
    std::vector<std::shared_ptr<TouchAdapter>> out;
    for (const auto& touch : event.allTouches()) {
        if (!touch || touch->view().get() != this) continue;
        auto& adapter = adapters_[touch->identity()];
        if (!adapter) adapter = std::make_shared<TouchAdapter>(touch, weak_from_this());
        out.push_back(adapter);
    }
    return out;
}

void GameViewContainer::forget(const TouchList& touches) {
    for (const auto& touch : touches) {
        if (touch) adapters_.erase(touch->identity());
    }
}

void GameViewContainer::touchesBegan(const TouchList&, const platform::ui::TouchEvent& event) {
    if (gameView_ == nullptr) return;
    auto touches = adapt(event);
    gameView_->touchesBegan({touches.begin(), touches.end()});
}

void GameViewContainer::touchesMoved(const TouchList&, const platform::ui::TouchEvent& event) {
    if (gameView_ == nullptr) return;
    auto touches = adapt(event);
    gameView_->touchesMoved({touches.begin(), touches.end()});
}

void GameViewContainer::touchesEnded(const TouchList& ended, const platform::ui::TouchEvent& event) {
    if (gameView_ != nullptr) {
        auto touches = adapt(event);
        gameView_->touchesEnded({touches.begin(), touches.end()});
    }
    forget(ended);
}

void GameViewContainer::touchesCancelled(const TouchList& cancelled, const platform::ui::TouchEvent& event) {
    touchesEnded(cancelled, event);
}

void GameViewContainer::draw(platform::ui::DrawContext& ctx) {
    if (gameView_ == nullptr || gameView_->framebuffer() == 0) return;
    const platform::Size surface = gameView_->surfaceSize();
    const int w = static_cast<int>(surface.width);
    const int h = static_cast<int>(surface.height);
    if (w <= 0 || h <= 0) return;
    platform::ui::DrawContext::RawGL raw(ctx, gameView_->frame());

    // The game view's last frame, copied out of its framebuffer; rows are bottom first in both,
    // so the quad maps straight onto clip space.
    const platform::ColorFormat format = gameView_->pixelFormat();
    if (!frame_ || frameFormat_ != format) {
        const bool rgb565 = format == platform::ColorFormat::RGB565;
        frame_ = std::make_unique<platform::gl::FramebufferTexture>(
            rgb565 ? GL_RGB : GL_RGBA, rgb565 ? GL_UNSIGNED_SHORT_5_6_5 : GL_UNSIGNED_BYTE);
        frameFormat_ = format;
    }
    if (!frame_->copyFrom(gameView_->framebuffer(), w, h)) return;
    // The game mostly draws at the window's resolution: one texel to a pixel.
    frame_->setNearest(raw.width() == w && raw.height() == h);
    const GLfloat pos[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
    glDisable(GL_BLEND);
    frame_->draw(pos);
    glEnable(GL_BLEND);
}
