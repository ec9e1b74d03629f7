#pragma once
// The bar across the top of a navigation controller: the top controller's title in the middle,
// its left and right bar buttons at the sides.
#include <memory>

#include "platform/ui/View.h"

namespace platform::ui {

class Button;
class Label;
class NavigationItem;

class NavigationBar : public View {
  public:
    static constexpr float kHeight = 44;

    NavigationBar();
    const char* className() const override { return "NavigationBar"; }

    // The item shown (owned by its view controller, which the navigation controller keeps).
    void setItem(NavigationItem* item);
    NavigationItem* item() const { return item_; }
    const std::shared_ptr<Label>& titleLabel() const { return title_; }
    // The buttons made for the item's bar buttons (null when the item has none).
    const std::shared_ptr<Button>& leftButton() const { return left_; }
    const std::shared_ptr<Button>& rightButton() const { return right_; }

    void layoutSubviews() override;
    void draw(DrawContext& ctx) override;

  private:
    NavigationItem* item_ = nullptr;
    std::shared_ptr<Label> title_;
    std::shared_ptr<Button> left_;
    std::shared_ptr<Button> right_;
};

}  // namespace platform::ui
