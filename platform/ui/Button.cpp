#include "platform/ui/Button.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/DrawContext.h"
#include "platform/ui/InterfaceAttributes.h"
#include "platform/ui/TextMeasure.h"

namespace platform::ui {

namespace {
constexpr Color kRoundedTitle{0.196f, 0.31f, 0.52f, 1};
constexpr Color kRoundedFill = Color::white();
constexpr Color kRoundedBorder{0.55f, 0.58f, 0.63f, 1};
constexpr Color kRoundedHighlight{0.10f, 0.42f, 0.93f, 1};
// How far the pressed art's face sits lower than the raised one's (tools/uiart draws both).
constexpr float kPressedTitleDrop = 2;

// Interface files name states by word.
bool stateFromName(const std::string& name, std::uint32_t& out) {
    if (name == "normal")
        out = ControlStateNormal;
    else if (name == "highlighted")
        out = ControlStateHighlighted;
    else if (name == "disabled")
        out = ControlStateDisabled;
    else if (name == "selected")
        out = ControlStateSelected;
    else
        return false;
    return true;
}
}  // namespace

Button::Button(ButtonType type) : type_(type) {}

Button::Button(ButtonType type, Rect frame) : Control(frame), type_(type) {}

template <class M>
auto Button::lookup(const M& map, std::uint32_t state) -> typename M::mapped_type {
    // Exact state first, then the single flags in the order the platform prefers, then normal.
    if (auto it = map.find(state); it != map.end()) return it->second;
    for (std::uint32_t flag : {ControlStateDisabled, ControlStateHighlighted, ControlStateSelected}) {
        if ((state & flag) == 0) continue;
        if (auto it = map.find(flag); it != map.end()) return it->second;
    }
    if (auto it = map.find(ControlStateNormal); it != map.end()) return it->second;
    return typename M::mapped_type{};
}

void Button::setTitle(const std::string& title, std::uint32_t state) {
    titles_[state] = title;
    setNeedsDisplay();
}

std::string Button::titleForState(std::uint32_t state) const {
    return lookup(titles_, state);
}

void Button::setTitleColor(Color color, std::uint32_t state) {
    titleColors_[state] = color;
    setNeedsDisplay();
}

Color Button::titleColorForState(std::uint32_t state) const {
    if (auto it = titleColors_.find(state); it != titleColors_.end()) return it->second;
    const bool highlighted = (state & ControlStateHighlighted) != 0;
    if (highlighted) {
        if (auto it = titleColors_.find(ControlStateHighlighted); it != titleColors_.end()) return it->second;
        // The rounded button's pressed fill is blue: its title turns white on it.
        if (type_ == ButtonType::RoundedRect) return Color::white();
    }
    if (auto it = titleColors_.find(ControlStateNormal); it != titleColors_.end()) return it->second;
    return type_ == ButtonType::Custom ? Color::white() : kRoundedTitle;
}

void Button::setImage(std::shared_ptr<const Image> image, std::uint32_t state, float scale) {
    images_[state] = {std::move(image), scale > 0 && std::isfinite(scale) ? scale : 1.0f};
    setNeedsDisplay();
}

std::shared_ptr<const Image> Button::imageForState(std::uint32_t state) const {
    return lookup(images_, state).image;
}

Size Button::imageSizeForState(std::uint32_t state) const {
    const Picture picture = lookup(images_, state);
    if (!picture.image) return {};
    const Size pixels = DrawContext::imageSizeInPoints(*picture.image);
    return {pixels.width / picture.scale, pixels.height / picture.scale};
}

void Button::setBackgroundImage(std::shared_ptr<const Image> image, std::uint32_t state) {
    backgrounds_[state] = std::move(image);
    setNeedsDisplay();
}

std::shared_ptr<const Image> Button::backgroundImageForState(std::uint32_t state) const {
    return lookup(backgrounds_, state);
}

Size Button::sizeThatFits(Size) const {
    Size s = measureText(currentTitle(), font_, 0, 1);
    if (imageForState(state())) {
        const Size is = imageSizeForState(state());
        s.width += is.width;
        s.height = std::max(s.height, is.height);
    }
    if (type_ == ButtonType::RoundedRect) {
        s.width += 24;
        s.height = std::max(s.height + 12, 37.0f);
    }
    return s;
}

Rect Button::titleRect() const {
    const Rect b = bounds();
    const float pad = std::min(titlePadding_, b.size.width / 2);
    return {b.minX() + pad, b.minY(), b.size.width - 2 * pad, b.size.height};
}

void Button::draw(DrawContext& ctx) {
    const std::uint32_t st = state();
    const Rect b = bounds();
    const auto saved = ctx.save();
    if (!isEnabled()) ctx.multiplyAlpha(0.5f);
    if (auto bg = backgroundImageForState(st)) {
        ctx.drawImage(bg, b);
    } else if (type_ == ButtonType::RoundedRect) {
        ctx.fillRoundedRect(b, 9, kRoundedBorder);
        const Rect inner{b.minX() + 1, b.minY() + 1, b.size.width - 2, b.size.height - 2};
        ctx.fillRoundedRect(inner, 8, isHighlighted() ? kRoundedHighlight : kRoundedFill);
    }
    const std::string title = titleForState(st);
    const auto img = imageForState(st);
    Rect titleArea = titleRect();
    if (img) {
        const Size is = imageSizeForState(st);
        const Size ts = title.empty() ? Size{} : measureText(title, font_, 0, 1);
        const float total = is.width + ts.width;
        const float x = b.minX() + (b.size.width - total) / 2;
        ctx.drawImage(img, {x, b.minY() + (b.size.height - is.height) / 2, is.width, is.height});
        titleArea = {x + is.width, b.minY(), ts.width, b.size.height};
    }
    if (!title.empty()) {
        // A pressed custom button shows its pressed art, with the title pushed in with the face;
        // without such art it dims. The rounded one shows it by its fill.
        const bool pressedArt = isHighlighted() && backgrounds_.count(ControlStateHighlighted) != 0;
        if (pressedArt) titleArea.origin.y += kPressedTitleDrop;
        if (type_ == ButtonType::Custom && isHighlighted() && !pressedArt) ctx.multiplyAlpha(0.6f);
        ctx.drawText(title, TextStyle{font_, TextAlignment::Center, 1}, titleArea, titleColorForState(st),
                     true);
    } else if (type_ == ButtonType::Custom && isHighlighted()) {
        ctx.fillRect(b, Color::black().withAlpha(0.25f));
    }
    ctx.restore(saved);
}

void Button::loadAttributes(InterfaceAttributes& attrs) {
    Control::loadAttributes(attrs);
    if (auto t = attrs.optString("buttonType")) {
        if (*t == "custom")
            type_ = ButtonType::Custom;
        else if (*t == "roundedRect")
            type_ = ButtonType::RoundedRect;
        else
            attrs.fail(*t, "unknown button type");
    }
    if (auto t = attrs.optString("title")) setTitle(*t);
    if (auto titles = attrs.optStringMap("titles")) {
        for (const auto& [stateName, text] : *titles) {
            std::uint32_t s = 0;
            if (!stateFromName(stateName, s)) attrs.fail(stateName, "unknown control state");
            setTitle(text, s);
        }
    }
    if (auto c = attrs.optColor("titleColor")) setTitleColor(*c);
    if (auto c = attrs.optColor("highlightedTitleColor")) setTitleColor(*c, ControlStateHighlighted);
    if (auto s = attrs.optFloat("fontSize")) font_.size = *s;
    if (auto b = attrs.optBool("bold")) font_.bold = *b;
    if (auto p = attrs.optFloat("titlePadding")) setTitlePadding(*p);
    if (auto img = attrs.optImage("image")) setImage(img);
    if (auto img = attrs.optImage("highlightedImage")) setImage(img, ControlStateHighlighted);
    if (auto img = attrs.optImage("backgroundImage")) {
        setBackgroundImage(img);
        // The art's pressed face, where it has one, is the pressed button's look.
        if (auto pressed = attrs.findImage(*attrs.optString("backgroundImage") + kPressedSuffix))
            setBackgroundImage(pressed, ControlStateHighlighted);
    }
}

}  // namespace platform::ui
