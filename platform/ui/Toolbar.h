#pragma once
// The bar along the bottom of a screen: its items side by side, each at its own width, the
// flexible spaces sharing the room left over. A titled item is a plate with its title (Done in
// blue), an image or system item its picture; a custom view stands as it is. An item that
// changes lays the bar out again; a tap on an enabled item runs its action.
#include <memory>
#include <vector>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Toolbar : public View {
  public:
    static constexpr float kHeight = 44;
    // Room at each end, and between two items with no space between them.
    static constexpr float kMargin = 8;
    static constexpr float kGap = 8;

    explicit Toolbar(Rect frame = {0, 436, 320, kHeight});
    const char* className() const override { return "Toolbar"; }

    // Kept items keep their views; the bar is laid out at once.
    void setItems(std::vector<std::shared_ptr<BarButtonItem>> items);
    const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
    // What stands for the item on the bar (null for spaces and items not on it).
    std::shared_ptr<View> viewForItem(const BarButtonItem& item) const;
    Color tintColor() const { return tint_; }
    void setTintColor(Color tint) { change(tint_, tint); }

    void layoutSubviews() override;
    void draw(DrawContext& ctx) override;

  private:
    std::shared_ptr<View> makeView(const std::shared_ptr<BarButtonItem>& item) const;
    float widthOf(const BarButtonItem& item, const View* view) const;

    Color tint_{0.42f, 0.52f, 0.64f, 1};
    std::vector<std::shared_ptr<BarButtonItem>> items_;
    // Parallel to items_.
    std::vector<std::shared_ptr<View>> views_;
};

}  // namespace platform::ui
