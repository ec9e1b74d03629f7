#pragma once
// What a player would call unfinished on a screen, found in its view tree: a visible text wider
// or taller than its label or button (a one-line text may shrink, but not end in an ellipsis), a
// chooser row cut short, or a view reaching outside the view that holds it. Texts are measured by
// the same layout engine that draws them.
#include <string>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextMeasure.h"
#include "platform/ui/View.h"

namespace tikoleap::test {

// Room a button's title leaves on each side so it does not run into the button's rim.
constexpr float kButtonTitleInset = 4;

inline std::string rectText(const platform::Rect& r) {
    return "(" + std::to_string(r.minX()) + ", " + std::to_string(r.minY()) + "; " +
           std::to_string(r.size.width) + " x " + std::to_string(r.size.height) + ")";
}

inline void findMisfits(const platform::ui::View& view, const std::string& path,
                        std::vector<std::string>& out) {
    using platform::Rect;
    using platform::Size;
    using namespace platform::ui;
    if (view.isHidden() || view.alpha() <= 0.01f) return;
    const Rect b = view.bounds();
    auto describe = [&](const std::string& what) { out.push_back(path + ": " + what); };
    const float scale = Screen::mainScale();
    if (auto* label = dynamic_cast<const Label*>(&view); label && !label->text().empty()) {
        const int lines = label->numberOfLines();
        const Size s = measureText(label->text(), label->font(), lines == 1 ? 0 : b.size.width, lines);
        const bool cut = lines == 1 ? fitLine(label->text(), label->font(), b.size.width, scale).ellipsized
                                    : s.width > b.size.width + 0.5f;
        if (cut || s.height > b.size.height + 0.5f)
            describe("\"" + label->text() + "\" needs " + std::to_string(s.width) + " x " +
                     std::to_string(s.height) + " in " + std::to_string(b.size.width) + " x " +
                     std::to_string(b.size.height));
    }
    if (auto* button = dynamic_cast<const Button*>(&view); button && !button->currentTitle().empty()) {
        const Size s = measureText(button->currentTitle(), button->font(), 0, 1);
        const float room = button->titleRect().size.width - 2 * kButtonTitleInset;
        if (fitLine(button->currentTitle(), button->font(), room, scale).ellipsized ||
            s.height > b.size.height)
            describe("button \"" + button->currentTitle() + "\" needs " + std::to_string(s.width) + " in " +
                     std::to_string(room));
    }
    if (auto* picker = dynamic_cast<const PickerView*>(&view)) {
        auto& rows = const_cast<PickerView&>(*picker);
        for (int row = 0; row < rows.numberOfRowsInComponent(0); ++row) {
            const std::string title = rows.titleForRow(row);
            if (fitLine(title, PickerView::kRowFont, rows.rowTextWidth(), scale).ellipsized)
                describe("row \"" + title + "\" is cut short");
        }
    }
    const bool scrolls = dynamic_cast<const ScrollView*>(&view) != nullptr;
    for (const auto& sub : view.subviews()) {
        if (!sub) continue;
        const std::string subPath = path + "/" + sub->className();
        const Rect f = sub->frame();
        // A scroll view's content is meant to reach beyond it.
        if (!scrolls && !sub->isHidden() &&
            (f.minX() < b.minX() - 0.5f || f.minY() < b.minY() - 0.5f || f.maxX() > b.maxX() + 0.5f ||
             f.maxY() > b.maxY() + 0.5f))
            out.push_back(subPath + ": " + rectText(f) + " reaches outside its superview's " + rectText(b));
        findMisfits(*sub, subPath, out);
    }
}

// Every misfit on the window's tree, one line each naming where it is.
inline std::vector<std::string> misfits(const platform::ui::View& root) {
    std::vector<std::string> out;
    findMisfits(root, root.className(), out);
    return out;
}

inline std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& line : lines) s += line + "\n";
    return s;
}

}  // namespace tikoleap::test
