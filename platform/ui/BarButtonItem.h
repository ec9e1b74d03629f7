#pragma once
// A button on a navigation bar or a toolbar: a title, an image, one of the platform's own
// (system) items, or a view of the caller's own (a spinner), and an action. A flexible space
// takes its share of the room a toolbar has left; a fixed space is as wide as its width.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/image/Image.h"

namespace platform::ui {

class View;

class BarButtonItem {
  public:
    enum class Style { Plain, Bordered, Done };
    enum class SystemItem { Done, Cancel, Refresh, Stop, Action, FlexibleSpace, FixedSpace };
    using Action = std::function<void(BarButtonItem& sender)>;

    BarButtonItem(std::string title, Style style, Action action)
        : title_(std::move(title)), style_(style), action_(std::move(action)) {}
    // `scale` is the image's pixels per point.
    BarButtonItem(std::shared_ptr<const Image> image, float scale, Style style, Action action)
        : style_(style),
          action_(std::move(action)),
          image_(std::move(image)),
          imageScale_(scale > 0 ? scale : 1) {}
    // Done and Cancel carry their titles and Done its style; the others draw the platform's glyph.
    BarButtonItem(SystemItem item, Action action);
    explicit BarButtonItem(std::shared_ptr<View> customView)
        : style_(Style::Plain), customView_(std::move(customView)) {}

    const std::string& title() const { return title_; }
    void setTitle(std::string title) {
        title_ = std::move(title);
        changed();
    }
    Style style() const { return style_; }
    const std::shared_ptr<const Image>& image() const { return image_; }
    float imageScale() const { return imageScale_; }
    const std::optional<SystemItem>& systemItem() const { return systemItem_; }
    bool isSpace() const {
        return systemItem_ == SystemItem::FlexibleSpace || systemItem_ == SystemItem::FixedSpace;
    }
    const std::shared_ptr<View>& customView() const { return customView_; }
    // Points; 0 lets the bar size the item by its content.
    float width() const { return width_; }
    void setWidth(float width) {
        width_ = width > 0 ? width : 0;
        changed();
    }
    const std::string& accessibilityLabel() const { return accessibilityLabel_; }
    void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) {
        if (enabled_ == enabled) return;
        enabled_ = enabled;
        changed();
    }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    void setAction(Action action) { action_ = std::move(action); }
    // Runs the action (what a tap on the bar's button does).
    void trigger() {
        if (enabled_ && action_) action_(*this);
    }

    // The bar showing the item, laid out again when the item changes.
    void setObserver(std::weak_ptr<View> bar) { observer_ = std::move(bar); }

  private:
    void changed();

    std::string title_;
    Style style_;
    Action action_;
    std::shared_ptr<const Image> image_;
    float imageScale_ = 1;
    std::optional<SystemItem> systemItem_;
    std::shared_ptr<View> customView_;
    float width_ = 0;
    std::string accessibilityLabel_;
    bool enabled_ = true;
    int tag_ = 0;
    std::weak_ptr<View> observer_;
};

}  // namespace platform::ui
