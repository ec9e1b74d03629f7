#include "platform/ui/Toolbar.h"

#include <algorithm>

#include "platform/ui/BarGlyphs.h"
#include "platform/ui/Button.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/TextMeasure.h"

namespace platform::ui {

namespace {

constexpr Color kPlateColor{0.30f, 0.30f, 0.32f, 1};
constexpr Color kDoneColor{0.16f, 0.38f, 0.78f, 1};
constexpr float kPlateHeight = 30;
constexpr float kPictureRoom = 10;

constexpr Color darker(Color c, float f) {
    return {c.r * f, c.g * f, c.b * f, c.a};
}

// One item's button: it draws from the item, so it never goes stale between layouts.
class ItemButton : public Button {
  public:
    explicit ItemButton(const std::shared_ptr<BarButtonItem>& item)
        : Button(ButtonType::Custom), item_(item) {
        addTarget(ControlEventTouchUpInside, [weak = item_](Control&) {
            // The action may take the item off its bar.
            if (auto held = weak.lock()) held->trigger();
        });
    }
    const char* className() const override { return "BarItemButton"; }

    void draw(DrawContext& ctx) override {
        auto item = item_.lock();
        if (!item) return;
        const Rect b = bounds();
        const auto saved = ctx.save();
        if (!isEnabled()) ctx.multiplyAlpha(0.4f);
        std::shared_ptr<const Image> picture = item->image();
        float scale = item->imageScale();
        if (!picture && item->systemItem()) {
            scale = std::max(1.0f, ctx.scale());
            picture = BarGlyphs::glyph(*item->systemItem(), scale);
        }
        if (picture) {
            const float w = static_cast<float>(picture->width) / scale;
            const float h = static_cast<float>(picture->height) / scale;
            if (isHighlighted()) ctx.multiplyAlpha(0.6f);
            ctx.drawImage(picture,
                          {b.minX() + (b.size.width - w) / 2, b.minY() + (b.size.height - h) / 2, w, h});
        } else {
            const Color fill = item->style() == BarButtonItem::Style::Done ? kDoneColor : kPlateColor;
            const Rect plate{b.minX(), b.minY() + (b.size.height - kPlateHeight) / 2, b.size.width,
                             kPlateHeight};
            if (item->style() != BarButtonItem::Style::Plain) {
                ctx.fillRoundedRect(plate, 6, darker(fill, 0.55f));
                ctx.fillRoundedRect(
                    {plate.minX() + 1, plate.minY() + 1, plate.size.width - 2, plate.size.height - 2}, 5,
                    isHighlighted() ? darker(fill, 0.8f) : fill);
            }
            ctx.drawText(item->title(), TextStyle{font(), TextAlignment::Center, 1}, plate, Color::white(),
                         true);
        }
        ctx.restore(saved);
    }

  private:
    std::weak_ptr<BarButtonItem> item_;
};

}  // namespace

Toolbar::Toolbar(Rect frame) : View(frame) {}

std::shared_ptr<View> Toolbar::makeView(const std::shared_ptr<BarButtonItem>& item) const {
    if (item->isSpace()) return nullptr;
    if (item->customView()) return item->customView();
    auto button = std::make_shared<ItemButton>(item);
    button->setFont(Font::boldSystem(12));
    return button;
}

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items) {
    std::vector<std::shared_ptr<View>> views;
    for (const auto& item : items) {
        if (!item) continue;
        const auto kept = std::find(items_.begin(), items_.end(), item);
        views.push_back(kept != items_.end() ? views_[static_cast<std::size_t>(kept - items_.begin())]
                                             : makeView(item));
        item->setObserver(weak_from_this());
    }
    for (std::size_t i = 0; i < views_.size(); ++i) {
        if (views_[i] && std::find(views.begin(), views.end(), views_[i]) == views.end())
            views_[i]->removeFromSuperview();
    }
    std::erase(items, nullptr);
    items_ = std::move(items);
    views_ = std::move(views);
    setNeedsLayout();
    layoutIfNeeded();
}

std::shared_ptr<View> Toolbar::viewForItem(const BarButtonItem& item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == &item) return views_[i];
    return nullptr;
}

float Toolbar::widthOf(const BarButtonItem& item, const View* view) const {
    if (item.width() > 0) return item.width();
    if (item.systemItem() == BarButtonItem::SystemItem::FlexibleSpace ||
        item.systemItem() == BarButtonItem::SystemItem::FixedSpace)
        return 0;
    if (item.customView()) return item.customView()->frame().size.width;
    if (item.image()) return static_cast<float>(item.image()->width) / item.imageScale() + kPictureRoom;
    if (item.title().empty()) return BarGlyphs::kSide + kPictureRoom;
    const auto* button = dynamic_cast<const Button*>(view);
    const Font font = button ? button->font() : Font::boldSystem(12);
    return std::clamp(measureText(item.title(), font, 0, 1).width + 20, 48.0f, 110.0f);
}

void Toolbar::layoutSubviews() {
    const Rect b = bounds();
    std::vector<float> widths;
    float used = 0;
    int flexible = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        widths.push_back(widthOf(*items_[i], views_[i].get()));
        used += widths.back();
        if (items_[i]->systemItem() == BarButtonItem::SystemItem::FlexibleSpace) ++flexible;
        if (i > 0 && !items_[i]->isSpace() && !items_[i - 1]->isSpace()) used += kGap;
    }
    const float share =
        flexible > 0 ? std::max(0.0f, (b.size.width - 2 * kMargin - used) / static_cast<float>(flexible)) : 0;
    float x = b.minX() + kMargin;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const auto& item = items_[i];
        if (i > 0 && !item->isSpace() && !items_[i - 1]->isSpace()) x += kGap;
        const float w = item->systemItem() == BarButtonItem::SystemItem::FlexibleSpace ? share : widths[i];
        if (const auto& view = views_[i]) {
            if (view->superview().get() != this) addSubview(view);
            if (item->customView()) {
                // A view of its own keeps its size, centred in its slot.
                const Size s = view->frame().size;
                view->setFrame(
                    {x + (w - s.width) / 2, b.minY() + (b.size.height - s.height) / 2, s.width, s.height});
            } else {
                view->setFrame({x, b.minY(), w, b.size.height});
                if (auto* control = dynamic_cast<Control*>(view.get()))
                    control->setEnabled(item->isEnabled());
            }
        }
        x += w;
    }
}

void Toolbar::draw(DrawContext& ctx) {
    const Rect b = bounds();
    ctx.fillRect(b, tint_);
    ctx.fillRect({b.minX(), b.minY(), b.size.width, b.size.height / 2}, Color::white().withAlpha(0.10f));
    ctx.fillRect({b.minX(), b.minY(), b.size.width, 1}, Color::white().withAlpha(0.25f));
}

}  // namespace platform::ui
