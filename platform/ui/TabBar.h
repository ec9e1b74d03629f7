#pragma once
// The bar of tabs along the bottom of a tab bar controller: one button per item (image above
// title), the selected one lit.
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/View.h"

namespace platform::ui {

class Button;
class TabBarItem;
class UiResources;

class TabBar : public View {
  public:
    static constexpr float kHeight = 49;

    TabBar();
    const char* className() const override { return "TabBar"; }

    // Items are owned by their view controllers, which the tab bar controller keeps.
    void setItems(std::vector<TabBarItem*> items, std::shared_ptr<const UiResources> resources);
    std::size_t itemCount() const { return items_.size(); }
    void setSelectedIndex(std::size_t index);
    std::size_t selectedIndex() const { return selected_; }
    void setOnSelect(std::function<void(std::size_t)> onSelect) { onSelect_ = std::move(onSelect); }
    // The button of item i (null when out of range).
    std::shared_ptr<Button> buttonAt(std::size_t index) const;

    void layoutSubviews() override;
    void draw(DrawContext& ctx) override;

  private:
    std::vector<TabBarItem*> items_;
    std::vector<std::shared_ptr<Button>> buttons_;
    std::shared_ptr<const UiResources> resources_;
    std::size_t selected_ = 0;
    std::function<void(std::size_t)> onSelect_;
};

}  // namespace platform::ui
