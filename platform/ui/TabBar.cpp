#include "platform/ui/TabBar.h"

#include "platform/ui/Button.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TabBarItem.h"
#include "platform/ui/UiResources.h"

namespace platform::ui {

namespace {
// A tab: its icon over its title, lit when selected.
class TabButton : public Button {
  public:
    TabButton(const TabBarItem& item, std::shared_ptr<const Image> image)
        : Button(ButtonType::Custom), image_(std::move(image)) {
        setTitle(item.title());
        setFont(Font::boldSystem(10));
    }
    const char* className() const override { return "TabButton"; }
    void draw(DrawContext& ctx) override {
        const Rect b = bounds();
        if (isSelected())
            ctx.fillRoundedRect({b.minX() + 2, b.minY() + 2, b.size.width - 4, b.size.height - 4}, 4,
                                Color::white().withAlpha(0.15f));
        const float icon = 30;
        if (image_) {
            const auto saved = ctx.save();
            if (!isSelected()) ctx.multiplyAlpha(0.55f);
            ctx.drawImage(image_, {b.midX() - icon / 2, b.minY() + 2, icon, icon});
            ctx.restore(saved);
        }
        ctx.drawText(currentTitle(), TextStyle{font(), TextAlignment::Center, 1},
                     {b.minX(), b.maxY() - 16, b.size.width, 14},
                     isSelected() ? Color::white() : Color::gray(0.6f), true);
    }

  private:
    std::shared_ptr<const Image> image_;
};
}  // namespace

TabBar::TabBar() {
    setFrame({0, 0, 320, kHeight});
    setBackgroundColor(Color::gray(0.1f));
}

void TabBar::setItems(std::vector<TabBarItem*> items, std::shared_ptr<const UiResources> resources) {
    items_ = std::move(items);
    resources_ = std::move(resources);
    if (selected_ >= items_.size()) selected_ = 0;
    setNeedsLayout();
    layoutIfNeeded();
}

void TabBar::setSelectedIndex(std::size_t index) {
    selected_ = index;
    setNeedsDisplay();
    for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->setSelected(i == selected_);
}

std::shared_ptr<Button> TabBar::buttonAt(std::size_t index) const {
    return index < buttons_.size() ? buttons_[index] : nullptr;
}

void TabBar::layoutSubviews() {
    for (auto& b : buttons_) b->removeFromSuperview();
    buttons_.clear();
    if (items_.empty()) return;
    const Rect b = bounds();
    const float w = b.size.width / static_cast<float>(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        TabBarItem& item = *items_[i];
        auto image = item.image();
        if (!image && !item.imageName().empty() && resources_)
            image = resources_->imageForScale(item.imageName(), Screen::mainScale());
        auto button = std::make_shared<TabButton>(item, image);
        button->setFrame({w * static_cast<float>(i), 0, w, b.size.height});
        button->setSelected(i == selected_);
        button->addTarget(ControlEventTouchUpInside, [this, i](Control&) {
            if (onSelect_) onSelect_(i);
        });
        addSubview(button);
        buttons_.push_back(button);
    }
}

void TabBar::draw(DrawContext& ctx) {
    ctx.fillRect({0, 0, bounds().size.width, 1}, Color::gray(0.3f));
}

}  // namespace platform::ui
