#pragma once
// Scrollable multi-line text. Its content size follows the text laid out at the view's width.
// Editing is not offered (no on-screen keyboard exists here); `editable` is kept for callers.
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/ScrollView.h"

namespace platform::ui {

class TextView : public ScrollView {
  public:
    TextView();
    explicit TextView(Rect frame);
    const char* className() const override { return "TextView"; }

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const Font& font() const { return font_; }
    void setFont(Font font);
    Color textColor() const { return textColor_; }
    void setTextColor(Color color) { change(textColor_, color); }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment) { change(alignment_, alignment); }
    bool isEditable() const { return editable_; }
    void setEditable(bool editable) { editable_ = editable; }

    void layoutSubviews() override;
    void draw(DrawContext& ctx) override;
    void loadAttributes(InterfaceAttributes& attrs) override;

    static constexpr float kInset = 8;

  private:
    std::string text_;
    Font font_ = Font::system(17);
    Color textColor_ = Color::black();
    TextAlignment alignment_ = TextAlignment::Left;
    bool editable_ = false;
};

}  // namespace platform::ui
