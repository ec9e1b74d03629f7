#include "platform/ui/PickerView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/DrawContext.h"
#include "platform/ui/TouchEvent.h"

namespace platform::ui {

namespace {
constexpr float kDragThreshold = 4;
}

PickerView::PickerView() {
    setFrame({0, 0, 320, kDefaultHeight});
    setBackgroundColor(Color::gray(0.16f));
}

PickerView::PickerView(Rect frame) : View(frame) {
    setBackgroundColor(Color::gray(0.16f));
}

int PickerView::numberOfComponents() {
    auto ds = dataSource_.lock();
    return ds ? std::max(0, ds->numberOfComponentsInPickerView(*this)) : 0;
}

int PickerView::numberOfRowsInComponent(int component) {
    auto ds = dataSource_.lock();
    if (!ds || component != 0) return 0;
    return std::max(0, ds->pickerViewNumberOfRowsInComponent(*this, component));
}

int PickerView::clampRow(int row) {
    const int n = numberOfRowsInComponent(0);
    return n == 0 ? 0 : std::clamp(row, 0, n - 1);
}

void PickerView::reloadAllComponents() {
    selected_ = clampRow(selected_);
    offset_ = static_cast<float>(selected_) * rowHeight();
    setNeedsDisplay();
}

void PickerView::selectRow(int row, int component, bool) {
    if (component != 0) return;
    selected_ = clampRow(row);
    offset_ = static_cast<float>(selected_) * rowHeight();
    setNeedsDisplay();
}

int PickerView::selectedRowInComponent(int component) {
    if (component != 0 || numberOfRowsInComponent(0) == 0) return -1;
    return selected_;
}

float PickerView::rowHeight() {
    auto d = delegate_.lock();
    const float h = d ? d->pickerViewRowHeightForComponent(*this, 0) : 44;
    return h > 0 ? h : 44;
}

float PickerView::componentWidth() {
    auto d = delegate_.lock();
    const float w = d ? d->pickerViewWidthForComponent(*this, 0) : 0;
    const float avail = bounds().size.width - 20;
    return w > 0 ? std::min(w, bounds().size.width) : std::max(0.0f, avail);
}

std::string PickerView::titleForRow(int row) {
    auto d = delegate_.lock();
    return d ? d->pickerViewTitleForRow(*this, row, 0) : "";
}

int PickerView::rowAtPoint(Point p) {
    const Rect b = bounds();
    const float w = componentWidth();
    const float left = b.midX() - w / 2;
    if (p.x < left || p.x >= left + w || !b.contains(p)) return -1;
    const float h = rowHeight();
    // Row r's band is centred on midY + r*h - offset.
    const float rel = p.y - b.midY() + offset_;
    const int row = static_cast<int>(std::floor(rel / h + 0.5f));
    return (row >= 0 && row < numberOfRowsInComponent(0)) ? row : -1;
}

void PickerView::settle(int row) {
    row = clampRow(row);
    const bool changed = row != selected_;
    selected_ = row;
    offset_ = static_cast<float>(row) * rowHeight();
    setNeedsDisplay();
    if (changed && numberOfRowsInComponent(0) > 0) {
        auto keep = shared_from_this();
        if (auto d = delegate_.lock()) d->pickerViewDidSelectRow(*this, row, 0);
    }
}

bool PickerView::scrollWheel(Point, float, float dy) {
    scrollByRows(dy / kWheelNotchPoints);
    return true;
}

void PickerView::scrollByRows(float rows) {
    if (tracking_ || !std::isfinite(rows)) return;
    wheelRows_ += rows;
    const float whole = std::trunc(wheelRows_);
    if (whole == 0) return;
    wheelRows_ -= whole;
    const int last = numberOfRowsInComponent(0) - 1;
    if (last < 0) return;
    settle(std::clamp(selected_ + static_cast<int>(whole), 0, last));
}

void PickerView::touchesBegan(const TouchList& touches, const TouchEvent&) {
    if (tracking_ || touches.empty()) return;
    tracking_ = true;
    dragging_ = false;
    trackedTouch_ = touches.front()->identity();
    dragStart_ = touches.front()->locationInWindow();
    offsetAtStart_ = offset_;
}

void PickerView::touchesMoved(const TouchList& touches, const TouchEvent&) {
    if (!tracking_) return;
    for (const auto& t : touches) {
        if (t->identity() != trackedTouch_) continue;
        const float dy = t->locationInWindow().y - dragStart_.y;
        if (!dragging_ && std::fabs(dy) < kDragThreshold) return;
        dragging_ = true;
        const float maxOffset = static_cast<float>(std::max(0, numberOfRowsInComponent(0) - 1)) * rowHeight();
        offset_ = std::clamp(offsetAtStart_ - dy, 0.0f, maxOffset);
    }
}

void PickerView::touchesEnded(const TouchList& touches, const TouchEvent&) {
    if (!tracking_) return;
    for (const auto& t : touches) {
        if (t->identity() != trackedTouch_) continue;
        tracking_ = false;
        if (dragging_) {
            dragging_ = false;
            settle(static_cast<int>(std::floor(offset_ / rowHeight() + 0.5f)));
        } else {
            const int row = rowAtPoint(t->locationInView(this));
            if (row >= 0) settle(row);
        }
    }
}

void PickerView::touchesCancelled(const TouchList& touches, const TouchEvent&) {
    for (const auto& t : touches) {
        if (t->identity() != trackedTouch_) continue;
        tracking_ = false;
        dragging_ = false;
        offset_ = static_cast<float>(selected_) * rowHeight();
    }
}

void PickerView::draw(DrawContext& ctx) {
    const Rect b = bounds();
    const float w = componentWidth();
    const float h = rowHeight();
    const float left = b.midX() - w / 2;
    const auto saved = ctx.save();
    ctx.clip(b);
    ctx.fillRect({left, b.minY() + 8, w, b.size.height - 16}, Color::white());
    const int n = numberOfRowsInComponent(0);
    auto d = delegate_.lock();
    const int first = std::max(0, static_cast<int>(std::floor((offset_ - b.size.height / 2) / h)) - 1);
    const int last = std::min(n - 1, static_cast<int>(std::ceil((offset_ + b.size.height / 2) / h)) + 1);
    const float textWidth = rowTextWidth();
    for (int row = first; row <= last; ++row) {
        const float cy = b.midY() + static_cast<float>(row) * h - offset_;
        const std::string title = d ? d->pickerViewTitleForRow(*this, row, 0) : "";
        if (title.empty()) continue;
        ctx.drawText(title, TextStyle{kRowFont, TextAlignment::Left, 1},
                     {left + 12, cy - h / 2, textWidth, h}, Color::black(), true);
    }
    // The selection band over the middle row.
    ctx.fillRect({left, b.midY() - h / 2, w, h}, Color{0.55f, 0.6f, 0.85f, 0.3f});
    ctx.fillRect({left, b.midY() - h / 2, w, 1}, Color::gray(0.5f, 0.8f));
    ctx.fillRect({left, b.midY() + h / 2 - 1, w, 1}, Color::gray(0.5f, 0.8f));
    ctx.restore(saved);
}

}  // namespace platform::ui
