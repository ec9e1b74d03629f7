#include "appbase/JTTextLabel.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/Texture2D.h"
#include "core/Utf16.h"

namespace JTAppBase {

using JTCore::makeRef;
using JTCore::Ref;

JTTextLabel::JTTextLabel(JTCanvas* canvas) : canvas_(canvas) {
    reset();
}

JTTextLabel::~JTTextLabel() = default;

void JTTextLabel::setStyle(uint32_t color, float fontSize, int alignment, float boxWidth, float boxHeight) {
    color_ = color;
    fontSize_ = fontSize;
    alignment_ = alignment;
    boxWidth_ = boxWidth;
    boxHeight_ = boxHeight;
}

void JTTextLabel::setShadow(uint32_t color, float dx, float dy) {
    shadowColor_ = color;
    shadowDx_ = dx;
    shadowDy_ = dy;
    shadowOn_ = true;
}

void JTTextLabel::setText(const Ref<JTCore::JTString>& text) {
    render(text ? &text->utf16() : nullptr);
}

void JTTextLabel::setTextFromBuilder(const Ref<JTCore::JTStringBuilder>& builder) {
    if (!builder) return render(nullptr);
    Ref<JTCore::JTString> text = builder->toString();
    render(&text->utf16());
}

void JTTextLabel::render(const std::u16string* text) {
    if (text == nullptr || text->empty()) {
        texture_.reset();
        return;
    }
    // The scale comes from the app core the context knows, which is there from set-up on; the
    // canvas only learns one once a game view is attached.
    float scale = 1.0f;
    if (auto canvas = canvas_.lock()) {
        auto context = canvas->getAppContext();
        if (context && context->getAppCore() != nullptr) scale = context->getAppCore()->contentsScaleValue();
    }
    texture_ = Texture2D::initWithString(JTCore::utf16ToUtf8(*text), {boxWidth_ * scale, boxHeight_ * scale},
                                         alignment_, "Arial", fontSize_ * scale, scale);
}

Ref<JTCore::JTStringBuilder> JTTextLabel::getBuilder(bool clear) {
    if (!builder_) builder_ = makeRef<JTCore::JTStringBuilder>();
    if (clear) builder_->setLength(0);
    return builder_;
}

void JTTextLabel::reset() {
    texture_.reset();
    color_ = 0xFFFFFFFFu;
    fontSize_ = 24.0f;
    alignment_ = 1;
    boxWidth_ = 128;
    boxHeight_ = 32;
    shadowColor_ = 0xFFFFFFFFu;
    shadowDx_ = 0;
    shadowDy_ = 0;
    shadowOn_ = false;
}

void JTTextLabel::draw(float x, float y, float ax, float ay) {
    auto canvas = canvas_.lock();
    if (!texture_ || !canvas) return;
    const float left = x - boxWidth_ * ax;
    const float bottom = (static_cast<float>(canvas->getHeight()) - y) - (1 - ay) * boxHeight_;
    if (shadowOn_) {
        canvas->setColor(shadowColor_);
        canvas->applyState(texture_.get());
        texture_->drawInRect(platform::Rect(left + shadowDx_, bottom - shadowDy_, boxWidth_, boxHeight_));
    }
    canvas->setColor(color_);
    canvas->applyState(texture_.get());
    texture_->drawInRect(platform::Rect(left, bottom, boxWidth_, boxHeight_));
    canvas->resetColor();
}

}  // namespace JTAppBase
