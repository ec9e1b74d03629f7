#include "shell/GameViewContainer.h"

#include "appbase/ShellLinks.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/TouchEvent.h"
#include "shell/GameViewBase.h"
#include "shell/Texture2D.h"

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

GameViewContainer::~GameViewContainer() {
    if (texture_ != 0) glDeleteTextures(1, &texture_);
}

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

    // Copy the game view's last frame out of its framebuffer into a texture of ours.
    GLint target = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &target);
    if (texture_ == 0 || textureW_ < w || textureH_ < h) {
        if (texture_ == 0) glGenTextures(1, &texture_);
        textureW_ = static_cast<int>(Texture2D::nextPowerOfTwo(static_cast<unsigned>(w)));
        textureH_ = static_cast<int>(Texture2D::nextPowerOfTwo(static_cast<unsigned>(h)));
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, textureW_, textureH_, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    }
    glBindTexture(GL_TEXTURE_2D, texture_);
    platform::gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, gameView_->framebuffer());
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
    platform::gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(target));

    // Rows are bottom first in both, so the quad maps straight onto clip space.
    const float u = static_cast<float>(w) / static_cast<float>(textureW_);
    const float v = static_cast<float>(h) / static_cast<float>(textureH_);
    const GLfloat pos[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
    const GLfloat uv[8] = {0, 0, u, 0, 0, v, u, v};
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, pos);
    glTexCoordPointer(2, GL_FLOAT, 0, uv);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
}
