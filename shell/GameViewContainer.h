#pragma once
// The plain view that holds the game view on the window: it shows the game view's frames in
// the game view's frame and forwards its touches to it.
#include <cstdint>
#include <map>
#include <memory>

#include "platform/gl/FramebufferTexture.h"
#include "platform/gl/GLContext.h"
#include "platform/ui/View.h"

class GameViewBase;

class GameViewContainer : public platform::ui::View {
  public:
    explicit GameViewContainer(platform::Rect frame);
    ~GameViewContainer() override;

    const char* className() const override { return "GameViewContainer"; }
    // Not retained: the game view clears it before it goes.
    void setGameView(GameViewBase* view) { gameView_ = view; }
    GameViewBase* gameView() const { return gameView_; }

    void touchesBegan(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesMoved(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesEnded(const platform::ui::TouchList& touches, const platform::ui::TouchEvent& event) override;
    void touchesCancelled(const platform::ui::TouchList& touches,
                          const platform::ui::TouchEvent& event) override;
    void draw(platform::ui::DrawContext& ctx) override;

  private:
    class TouchAdapter;
    // The game view follows touches by identity: one adapter per toolkit touch, for its life.
    std::vector<std::shared_ptr<TouchAdapter>> adapt(const platform::ui::TouchEvent& event);
    void forget(const platform::ui::TouchList& touches);

    GameViewBase* gameView_ = nullptr;
    std::map<std::uint64_t, std::shared_ptr<TouchAdapter>> adapters_;
    // The copy of the game view's frame, in the game view's own pixel layout: a plain copy, no
    // conversion (which the software rasteriser would compile code for, and pay on every frame).
    std::unique_ptr<platform::gl::FramebufferTexture> frame_;
    platform::ColorFormat frameFormat_ = platform::ColorFormat::RGB565;
};
