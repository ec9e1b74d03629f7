#pragma once
// Common ground of alerts and action sheets: a panel of buttons shown modally over a window
// (queued behind a panel already showing) and taken down by a click or by code.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/View.h"

namespace platform::ui {

class Button;

class ModalPanel : public View {
  public:
    const std::string& title() const { return title_; }
    void setTitle(std::string title) {
        title_ = std::move(title);
        setNeedsLayout();
    }

    // Shown on screen now (not merely queued).
    bool isVisible() const;
    // Presented and not yet dismissed (on screen or waiting for its turn).
    bool isPresented() const { return presented_; }
    // The index a button reports, by its title; nothing when no button has the title.
    virtual bool indexOfButtonTitle(const std::string& title, int& index) const = 0;
    // What a tap on the button of `index` does: tell the delegate, then dismiss.
    virtual void clickButtonAtIndex(int index) = 0;
    // The button view that reports `index` (after layout), null when none.
    std::shared_ptr<Button> buttonViewForIndex(int index) const;

  protected:
    // Presents on `window`, or on the key window (or the next one) when null.
    void present(Window* window);
    // Takes the panel off screen (or out of the queue).
    void takeDown();
    // Rebuilds the buttons: one per (title, reported index, look).
    enum class Look { Normal, Cancel, Destructive };
    struct ButtonSpec {
        std::string title;
        int index;
        Look look;
    };
    std::shared_ptr<Button> makeButton(const ButtonSpec& spec);
    void clearButtons();

    std::string title_;
    std::vector<std::pair<int, std::shared_ptr<Button>>> buttons_;

  private:
    bool presented_ = false;
    std::weak_ptr<Window> window_;
};

}  // namespace platform::ui
