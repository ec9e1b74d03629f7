#pragma once
// A line (or lines) of static text. Takes no touches by default.
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Label : public View {
  public:
    Label();
    explicit Label(Rect frame);
    const char* className() const override { return "Label"; }

    const std::string& text() const { return text_; }
    void setText(std::string text) { change(text_, std::move(text)); }
    const Font& font() const { return font_; }
    void setFont(Font font) { change(font_, font); }
    Color textColor() const { return textColor_; }
    void setTextColor(Color color) { change(textColor_, color); }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment) { change(alignment_, alignment); }
    // 0 = as many lines as fit.
    int numberOfLines() const { return lines_; }
    void setNumberOfLines(int lines) { change(lines_, lines < 0 ? 0 : lines); }
    Color shadowColor() const { return shadowColor_; }
    void setShadowColor(Color color) { change(shadowColor_, color); }

    Size sizeThatFits(Size size) const override;
    void draw(DrawContext& ctx) override;
    void loadAttributes(InterfaceAttributes& attrs) override;

  private:
    std::string text_;
    Font font_ = Font::system(17);
    Color textColor_ = Color::black();
    TextAlignment alignment_ = TextAlignment::Left;
    int lines_ = 1;
    Color shadowColor_ = Color::clear();
};

}  // namespace platform::ui
