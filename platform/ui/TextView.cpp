#include "platform/ui/TextView.h"

#include <algorithm>

#include "platform/ui/DrawContext.h"
#include "platform/ui/InterfaceAttributes.h"
#include "platform/ui/TextMeasure.h"

namespace platform::ui {

TextView::TextView() {
    setBackgroundColor(Color::white());
}

TextView::TextView(Rect frame) : ScrollView(frame) {
    setBackgroundColor(Color::white());
}

void TextView::setText(std::string text) {
    text_ = std::move(text);
    setNeedsLayout();
    layoutIfNeeded();
}

void TextView::setFont(Font font) {
    font_ = font;
    setNeedsLayout();
    layoutIfNeeded();
}

void TextView::layoutSubviews() {
    const float width = bounds().size.width;
    const float textWidth = std::max(1.0f, width - 2 * kInset);
    const Size s = text_.empty() ? Size{} : measureText(text_, font_, textWidth, 0);
    setContentSize({width, s.height + 2 * kInset});
}

void TextView::draw(DrawContext& ctx) {
    if (text_.empty()) return;
    const float width = bounds().size.width;
    const Rect r{kInset, kInset, std::max(1.0f, width - 2 * kInset), contentSize().height - 2 * kInset};
    ctx.drawText(text_, TextStyle{font_, alignment_, 0}, r, textColor_, false);
}

void TextView::loadAttributes(InterfaceAttributes& attrs) {
    ScrollView::loadAttributes(attrs);
    if (auto s = attrs.optFloat("fontSize")) font_.size = *s;
    if (auto b = attrs.optBool("bold")) font_.bold = *b;
    if (auto c = attrs.optColor("textColor")) textColor_ = *c;
    if (auto e = attrs.optBool("editable")) editable_ = *e;
    if (auto a = attrs.optString("textAlignment")) {
        if (!textAlignmentFromName(*a, alignment_)) attrs.fail(*a, "unknown text alignment");
    }
    if (auto t = attrs.optString("text")) text_ = *t;
    setNeedsLayout();
}

}  // namespace platform::ui
