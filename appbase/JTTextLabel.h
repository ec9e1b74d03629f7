#pragma once
#include <cstdint>
#include <memory>

#include "core/JTStringBuilder.h"

class Texture2D;

namespace JTAppBase {

class JTCanvas;

// Text rendered once into a texture and drawn many times; only setText re-renders.
class JTTextLabel : public JTCore::JTObject {
  public:
    explicit JTTextLabel(JTCanvas* canvas);
    ~JTTextLabel() override;

    virtual void setStyle(uint32_t color, float fontSize, int alignment, float boxWidth, float boxHeight);
    virtual void setShadow(uint32_t color, float dx, float dy);
    virtual void clearShadow() { shadowOn_ = false; }
    virtual void setText(const JTCore::Ref<JTCore::JTString>& text);
    virtual void setTextFromBuilder(const JTCore::Ref<JTCore::JTStringBuilder>& builder);
    virtual JTCore::Ref<JTCore::JTStringBuilder> getBuilder(bool clear);
    virtual void reset();
    virtual void draw(float x, float y, float ax, float ay);

    bool hasTexture() const { return texture_ != nullptr; }
    const Texture2D* texture() const { return texture_.get(); }

  private:
    void render(const std::u16string* text);

    JTCore::JTWeakPtr<JTCanvas> canvas_;
    JTCore::Ref<JTCore::JTStringBuilder> builder_;
    std::shared_ptr<Texture2D> texture_;
    uint32_t color_ = 0xFFFFFFFFu;
    float fontSize_ = 24.0f;
    int alignment_ = 1;
    float boxWidth_ = 128;
    float boxHeight_ = 32;
    uint32_t shadowColor_ = 0xFFFFFFFFu;
    float shadowDx_ = 0;
    float shadowDy_ = 0;
    bool shadowOn_ = false;
};

}  // namespace JTAppBase
