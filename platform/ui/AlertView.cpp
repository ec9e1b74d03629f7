#include "platform/ui/AlertView.h"

#include <algorithm>

#include "platform/ui/Button.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/TextMeasure.h"

namespace platform::ui {

namespace {
constexpr float kPad = 12;
constexpr float kButtonH = 43;
const Font kTitleFont = Font::boldSystem(17);
const Font kMessageFont = Font::system(15);
}  // namespace

AlertView::AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
                     std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : message_(std::move(message)), delegate_(std::move(delegate)) {
    title_ = std::move(title);
    if (!cancelButtonTitle.empty()) {
        titles_.push_back(std::move(cancelButtonTitle));
        hasCancel_ = true;
    }
    for (auto& t : otherButtonTitles) titles_.push_back(std::move(t));
}

int AlertView::addButtonWithTitle(std::string title) {
    titles_.push_back(std::move(title));
    setNeedsLayout();
    return static_cast<int>(titles_.size()) - 1;
}

std::string AlertView::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < numberOfButtons() ? titles_[static_cast<std::size_t>(index)] : "";
}

void AlertView::show() {
    present(nullptr);
}

void AlertView::dismissWithClickedButtonIndex(int buttonIndex, bool) {
    if (!isPresented()) return;
    auto keep = shared_from_this();
    takeDown();
    if (auto d = delegate_.lock()) d->alertViewDidDismissWithButtonIndex(*this, buttonIndex);
}

bool AlertView::indexOfButtonTitle(const std::string& title, int& index) const {
    for (std::size_t i = 0; i < titles_.size(); ++i) {
        if (titles_[i] == title) {
            index = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

void AlertView::clickButtonAtIndex(int index) {
    // Only an alert on screen can be answered, and only by one of its buttons.
    if (!isPresented() || index < 0 || index >= numberOfButtons()) return;
    auto keep = shared_from_this();
    if (auto d = delegate_.lock()) d->alertViewClickedButtonAtIndex(*this, index);
    if (clickHandler_) clickHandler_(*this, index);
    dismissWithClickedButtonIndex(index, true);
}

void AlertView::layoutSubviews() {
    const float textW = kWidth - 2 * kPad;
    titleHeight_ = title_.empty() ? 0 : measureText(title_, kTitleFont, textW).height;
    messageHeight_ = message_.empty() ? 0 : measureText(message_, kMessageFont, textW).height;
    clearButtons();
    float y = kPad + titleHeight_ + (messageHeight_ > 0 ? 6 + messageHeight_ : 0) + kPad;
    const int n = numberOfButtons();
    if (n == 2) {
        const float w = (textW - 8) / 2;
        for (int i = 0; i < 2; ++i) {
            auto b = makeButton({titles_[static_cast<std::size_t>(i)], i,
                                 (i == 0 && hasCancel_) ? Look::Cancel : Look::Normal});
            b->setFrame({kPad + static_cast<float>(i) * (w + 8), y, w, kButtonH});
        }
        y += kButtonH + kPad;
    } else {
        // Stacked: the others first, the cancel button last.
        std::vector<int> order;
        for (int i = hasCancel_ ? 1 : 0; i < n; ++i) order.push_back(i);
        if (hasCancel_) order.push_back(0);
        for (int i : order) {
            auto b = makeButton({titles_[static_cast<std::size_t>(i)], i,
                                 (i == 0 && hasCancel_) ? Look::Cancel : Look::Normal});
            b->setFrame({kPad, y, textW, kButtonH});
            y += kButtonH + 8;
        }
        y += kPad - (n > 0 ? 8 : 0);
    }
    Rect area{0, 0, 320, 480};
    if (auto parent = superview()) area = parent->bounds();
    setFrame({area.midX() - kWidth / 2, std::max(0.0f, area.midY() - y / 2), kWidth, y});
}

void AlertView::draw(DrawContext& ctx) {
    const Rect b = bounds();
    ctx.fillRoundedRect(b, 10, Color::white().withAlpha(0.85f));
    ctx.fillRoundedRect({b.minX() + 2, b.minY() + 2, b.size.width - 4, b.size.height - 4}, 8,
                        Color{0.06f, 0.13f, 0.33f, 0.94f});
    const float textW = kWidth - 2 * kPad;
    if (!title_.empty()) {
        ctx.drawText(title_, TextStyle{kTitleFont, TextAlignment::Center, 0},
                     {kPad, kPad, textW, titleHeight_}, Color::white(), false);
    }
    if (!message_.empty()) {
        ctx.drawText(message_, TextStyle{kMessageFont, TextAlignment::Center, 0},
                     {kPad, kPad + titleHeight_ + 6, textW, messageHeight_}, Color::white(), false);
    }
}

}  // namespace platform::ui
