#pragma once
#include <cstdint>

#include "appbase/JTTouchInfo.h"
#include "core/JTArrayList.h"

class Texture2D;

namespace JTAppBase {

class JTAppContext;
class AppCoreLink;
class GameViewLink;
class TouchLink;

// The scene's drawing and touch interface. Canvas points: origin top-left, y downward; the GL
// projection has y upward, so every draw converts y to height - y.
class JTCanvas : public JTCore::JTObject {
  public:
    explicit JTCanvas(JTAppContext* context);

    virtual void setCanvasSize(int w, int h);
    virtual int getHeight() const { return height_; }
    virtual int getWidth() const { return width_; }
    virtual JTCore::Ref<JTAppContext> getAppContext() const { return context_.lock(); }
    virtual void setColor(uint32_t argb);
    virtual void resetColor() { setColor(0xFFFFFFFFu); }
    virtual void setAdditiveWhite();
    virtual void resetState() { resetColor(); }
    virtual int getTextureWidth(int n) const;
    virtual int getTextureHeight(int n) const;
    virtual void drawTexture(int n, float x, float y, float ax, float ay);
    virtual void drawTextureScaled(int n, float x, float y, float ax, float ay, float sx, float sy);
    virtual void drawTextureRotated(int n, float x, float y, float ax, float ay, float sx, float sy,
                                    float angle);
    virtual void drawTextureRegion(int n, float sx, float sy, float sw, float sh, float dx, float dy,
                                   float dw, float dh);
    virtual void fillRect(float x, float y, float w, float h);
    virtual void drawLine(float x1, float y1, float x2, float y2, float width);
    virtual void clear(uint32_t argb);
    virtual JTCore::Ref<JTTouchInfo> getTouch() const { return touch_; }
    virtual JTCore::Ref<JTCore::JTArrayList> getTouches() const { return touches_; }
    virtual void setMultiTouchEnabled(bool on);
    virtual void beginRender() { appliedMode_ = 0; }
    virtual void endRender() {}
    virtual void beginTick();
    virtual void endTick() {}

    void setView(GameViewLink* view);
    AppCoreLink* getAppCore() const { return appCore_; }
    // Sends colour and blend mode to GL unless they equal what was last sent. The text label
    // calls it before drawing its own texture.
    void applyState(const Texture2D* texture);
    // How many times the graphics state was actually sent (for tests and benchmarks).
    int stateChanges() const { return stateChanges_; }

  private:
    Texture2D* texture(int n) const;
    void fillFromTouch(JTTouchInfo& record, const TouchLink* touch) const;

    JTCore::JTWeakPtr<JTAppContext> context_;
    int width_ = 1;
    int height_ = 1;
    JTCore::Ref<JTTouchInfo> touch_;
    JTCore::Ref<JTCore::JTArrayList> touches_;
    bool multiTouchEnabled_ = false;
    JTCore::Ref<JTTouchInfo> touchRecord_;
    AppCoreLink* appCore_ = nullptr;
    GameViewLink* view_ = nullptr;
    uint32_t color_ = 0;
    int blendMode_ = 0;
    int64_t appliedColor_ = -1;
    int appliedMode_ = 0;
    int stateChanges_ = 0;
};

}  // namespace JTAppBase
