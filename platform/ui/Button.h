#pragma once
// A push button: a title and an image per control state, drawn either as the platform's rounded
// button or (custom type) as just its image and title.
#include <map>
#include <memory>
#include <string>

#include "platform/image/Image.h"
#include "platform/ui/Control.h"
#include "platform/ui/Font.h"

namespace platform::ui {

enum class ButtonType { Custom, RoundedRect };

class Button : public Control {
  public:
    // An interface file's "backgroundImage": NAME also takes NAME + kPressedSuffix, when the
    // resources have it, as the pressed (highlighted) background.
    static constexpr const char* kPressedSuffix = "_pressed";

    explicit Button(ButtonType type = ButtonType::RoundedRect);
    Button(ButtonType type, Rect frame);
    const char* className() const override { return "Button"; }

    ButtonType buttonType() const { return type_; }
    void setButtonType(ButtonType type) { change(type_, type); }

    // A state without its own value falls back to the normal state's.
    void setTitle(const std::string& title, std::uint32_t state = ControlStateNormal);
    std::string titleForState(std::uint32_t state) const;
    void setTitleColor(Color color, std::uint32_t state = ControlStateNormal);
    Color titleColorForState(std::uint32_t state) const;
    // `scale` is the picture's pixels per point: a 2x picture of a 25-point mark is 50 pixels wide
    // and is drawn 25 points wide on every screen.
    void setImage(std::shared_ptr<const Image> image, std::uint32_t state = ControlStateNormal,
                  float scale = 1);
    std::shared_ptr<const Image> imageForState(std::uint32_t state) const;
    // The size in points the state's image is drawn at (zero without one).
    Size imageSizeForState(std::uint32_t state) const;
    void setBackgroundImage(std::shared_ptr<const Image> image, std::uint32_t state = ControlStateNormal);
    std::shared_ptr<const Image> backgroundImageForState(std::uint32_t state) const;
    // What the button shows now.
    std::string currentTitle() const { return titleForState(state()); }

    const Font& font() const { return font_; }
    void setFont(Font font) { change(font_, font); }
    // Room kept free on the left and the right of the title (a mark drawn on the button beside
    // it); interface files: "titlePadding". A title wider than what is left shrinks, then ends in
    // an ellipsis.
    float titlePadding() const { return titlePadding_; }
    void setTitlePadding(float padding) { change(titlePadding_, padding > 0 ? padding : 0.0f); }
    // Where the title is drawn, in the button's own coordinates.
    Rect titleRect() const;

    Size sizeThatFits(Size size) const override;
    void draw(DrawContext& ctx) override;
    void loadAttributes(InterfaceAttributes& attrs) override;

  private:
    template <class M>
    static auto lookup(const M& map, std::uint32_t state) -> typename M::mapped_type;

    ButtonType type_;
    Font font_ = Font::boldSystem(15);
    float titlePadding_ = 0;
    std::map<std::uint32_t, std::string> titles_;
    std::map<std::uint32_t, Color> titleColors_;
    struct Picture {
        std::shared_ptr<const Image> image;
        float scale = 1;
    };
    std::map<std::uint32_t, Picture> images_;
    std::map<std::uint32_t, std::shared_ptr<const Image>> backgrounds_;
};

}  // namespace platform::ui
