#pragma once
// The level chooser's rows: the level manager's menu items, locked ones refused with their lock
// text, and a "More Levels ..." row when levels can be downloaded.
#include "core/JTArrayList.h"
#include "screens/SimpleSelectViewDelegate.h"

class TitleView;
namespace JTAppBase {
class JTLevelMenuItem;
}

class TitleView_DefaultLevelSelectDelegate : public SimpleSelectViewDelegate {
  public:
    // The title view outlives the delegate it keeps; the list is the title view's.
    TitleView_DefaultLevelSelectDelegate(TitleView* titleView, JTCore::Ref<JTCore::JTArrayList> menuItems);

    int additionalMenuItemsNum() const { return useDL_ ? 1 : 0; }
    int itemsNum() override;
    std::string itemLabelAt(int index) override;
    std::optional<std::string> itemInfoTextAt(int index) override;
    bool canBeDoneWithIndex(int index, SimpleSelectView& view) override;
    void didBeDoneWithIndex(int index, SimpleSelectView& view) override;
    void startNextView() override;

  private:
    int menuCount() const { return menuItems_ ? menuItems_->size() : 0; }
    bool isExtraRow(int index) const { return useDL_ && index == menuCount(); }
    JTAppBase::JTLevelMenuItem* item(int index) const;

    TitleView* titleView_;
    JTCore::Ref<JTCore::JTArrayList> menuItems_;
    bool useDL_ = false;
};
