#pragma once
// A button on a navigation bar: a title and an action.
#include <functional>
#include <string>

namespace platform::ui {

class BarButtonItem {
  public:
    enum class Style { Plain, Bordered, Done };
    using Action = std::function<void(BarButtonItem& sender)>;

    BarButtonItem(std::string title, Style style, Action action)
        : title_(std::move(title)), style_(style), action_(std::move(action)) {}

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    Style style() const { return style_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    void setAction(Action action) { action_ = std::move(action); }
    // Runs the action (what a tap on the bar's button does).
    void trigger() {
        if (enabled_ && action_) action_(*this);
    }

  private:
    std::string title_;
    Style style_;
    Action action_;
    bool enabled_ = true;
    int tag_ = 0;
};

}  // namespace platform::ui
