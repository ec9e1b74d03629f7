#include "platform/ui/Label.h"

#include "platform/ui/DrawContext.h"
#include "platform/ui/InterfaceAttributes.h"
#include "platform/ui/TextMeasure.h"

namespace platform::ui {

bool textAlignmentFromName(const std::string& name, TextAlignment& out) {
    if (name == "left")
        out = TextAlignment::Left;
    else if (name == "center")
        out = TextAlignment::Center;
    else if (name == "right")
        out = TextAlignment::Right;
    else
        return false;
    return true;
}

Label::Label() {
    setUserInteractionEnabled(false);
}

Label::Label(Rect frame) : View(frame) {
    setUserInteractionEnabled(false);
}

Size Label::sizeThatFits(Size size) const {
    return measureText(text_, font_, lines_ == 1 ? 0 : size.width, lines_);
}

void Label::draw(DrawContext& ctx) {
    if (text_.empty()) return;
    TextStyle style{font_, alignment_, lines_};
    if (shadowColor_.a > 0) {
        Rect shadow = bounds();
        shadow.origin.y += 1;
        ctx.drawText(text_, style, shadow, shadowColor_, true);
    }
    ctx.drawText(text_, style, bounds(), textColor_, true);
}

void Label::loadAttributes(InterfaceAttributes& attrs) {
    View::loadAttributes(attrs);
    if (auto t = attrs.optString("text")) text_ = *t;
    if (auto s = attrs.optFloat("fontSize")) font_.size = *s;
    if (auto b = attrs.optBool("bold")) font_.bold = *b;
    if (auto c = attrs.optColor("textColor")) textColor_ = *c;
    if (auto c = attrs.optColor("shadowColor")) shadowColor_ = *c;
    if (auto n = attrs.optInt("numberOfLines")) setNumberOfLines(*n);
    if (auto a = attrs.optString("textAlignment")) {
        if (!textAlignmentFromName(*a, alignment_)) attrs.fail(*a, "unknown text alignment");
    }
}

}  // namespace platform::ui
