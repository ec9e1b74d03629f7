#pragma once
// What drives the picker sheet: its rows, the text under the picker, whether Done is accepted,
// what a choice does, and which screen follows when the sheet closes.
#include <optional>
#include <string>

class SimpleSelectView;

class SimpleSelectViewDelegate {
  public:
    virtual ~SimpleSelectViewDelegate() = default;
    virtual int itemsNum() = 0;
    virtual std::string itemLabelAt(int index) = 0;
    // Nothing or "" hides the info text.
    virtual std::optional<std::string> itemInfoTextAt(int index) = 0;
    virtual bool canBeDoneWithIndex(int index, SimpleSelectView& view) = 0;
    virtual void didBeDoneWithIndex(int index, SimpleSelectView& view) = 0;
    virtual void startNextView() = 0;
};
