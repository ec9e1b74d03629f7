#include "platform/ui/NavigationBar.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Button.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TextMeasure.h"

namespace platform::ui {

namespace {
constexpr Color kBarColor{0.42f, 0.52f, 0.64f, 1};
constexpr Color kBarButtonColor{0.30f, 0.39f, 0.51f, 1};
constexpr Color kDoneButtonColor{0.16f, 0.38f, 0.78f, 1};
constexpr float kTitleFontSize = 20;
constexpr float kMinTitleFontSize = 13;

constexpr Color darker(Color c, float f) {
    return {c.r * f, c.g * f, c.b * f, c.a};
}

// A bar button: a rounded plate with a darker rim, dimmed while pressed, like the screens'
// own buttons rather than a bare rectangle.
class BarButton : public Button {
  public:
    explicit BarButton(Color fill) : Button(ButtonType::Custom), fill_(fill) {}
    const char* className() const override { return "BarButton"; }
    void draw(DrawContext& ctx) override {
        const Rect b = bounds();
        const Color fill = isHighlighted() ? darker(fill_, 0.8f) : fill_;
        ctx.fillRoundedRect(b, 6, darker(fill_, 0.6f));
        ctx.fillRoundedRect({b.minX() + 1, b.minY() + 1, b.size.width - 2, b.size.height - 2}, 5, fill);
        ctx.fillRoundedRect({b.minX() + 1, b.minY() + 1, b.size.width - 2, b.size.height / 2 - 1}, 5,
                            Color::white().withAlpha(0.12f));
        Button::draw(ctx);
    }

  private:
    Color fill_;
};

std::shared_ptr<Button> makeBarButton(const std::shared_ptr<BarButtonItem>& item) {
    auto b = std::make_shared<BarButton>(item->style() == BarButtonItem::Style::Done ? kDoneButtonColor
                                                                                     : kBarButtonColor);
    b->setTitle(item->title());
    b->setFont(Font::boldSystem(12));
    b->setEnabled(item->isEnabled());
    b->addTarget(ControlEventTouchUpInside, [item](Control&) { item->trigger(); });
    return b;
}
}  // namespace

NavigationBar::NavigationBar() {
    setFrame({0, 0, 320, kHeight});
    title_ = std::make_shared<Label>();
    title_->setFont(Font::boldSystem(kTitleFontSize));
    title_->setTextColor(Color::white());
    title_->setShadowColor(Color::black().withAlpha(0.4f));
    title_->setTextAlignment(TextAlignment::Center);
}

void NavigationBar::setItem(NavigationItem* item) {
    item_ = item;
    if (item_) item_->setObserver(weak_from_this());
    setNeedsLayout();
    layoutIfNeeded();
}

void NavigationBar::layoutSubviews() {
    const Rect b = bounds();
    if (left_) left_->removeFromSuperview();
    if (right_) right_->removeFromSuperview();
    left_.reset();
    right_.reset();
    if (!title_->superview()) addSubview(title_);
    title_->setText(item_ ? item_->title() : "");
    float leftEdge = 8, rightEdge = b.size.width - 8;
    auto place = [&](const std::shared_ptr<BarButtonItem>& item, bool onLeft) {
        auto button = makeBarButton(item);
        const float w =
            std::clamp(measureText(item->title(), button->font(), 0, 1).width + 20, 48.0f, 110.0f);
        const float x = onLeft ? leftEdge : rightEdge - w;
        button->setFrame({x, (b.size.height - 30) / 2, w, 30});
        addSubview(button);
        if (onLeft)
            leftEdge = x + w + 4;
        else
            rightEdge = x - 4;
        return button;
    };
    if (item_ && item_->leftBarButtonItem()) left_ = place(item_->leftBarButtonItem(), true);
    if (item_ && item_->rightBarButtonItem()) right_ = place(item_->rightBarButtonItem(), false);
    // The title stays centred on the bar, narrowed symmetrically to clear the buttons.
    const float inset = std::max(leftEdge, b.size.width - rightEdge);
    const float room = std::max(0.0f, b.size.width - 2 * inset);
    title_->setFrame({inset, 0, room, b.size.height});
    // A title longer than the room between the buttons is set smaller rather than cut off.
    const float wide = measureText(title_->text(), Font::boldSystem(kTitleFontSize), 0, 1).width;
    const float size =
        wide > room && wide > 0 ? std::max(kMinTitleFontSize, kTitleFontSize * room / wide) : kTitleFontSize;
    title_->setFont(Font::boldSystem(std::floor(size)));
}

void NavigationBar::draw(DrawContext& ctx) {
    const Rect b = bounds();
    ctx.fillRect(b, kBarColor);
    ctx.fillRect({b.minX(), b.minY(), b.size.width, b.size.height / 2}, Color::white().withAlpha(0.08f));
    ctx.fillRect({b.minX(), b.maxY() - 1, b.size.width, 1}, Color::black().withAlpha(0.5f));
}

}  // namespace platform::ui
