#pragma once
// The first screen and the one every other screen returns to: the copyright line, the selected
// level on the level button, and the ways on (start, level chooser, web pages).
#include <memory>

#include "core/JTArrayList.h"
#include "screens/ViewControllerBase.h"

namespace platform::ui {
class Button;
class Label;
}  // namespace platform::ui
namespace JTAppBase {
class JTLevelMenuItem;
}
class SimpleSelectViewDelegate;

class TitleView : public ViewControllerBase {
  public:
    explicit TitleView(std::string interfaceName);

    void viewWillAppear(bool animated) override;
    void updateView();
    JTAppBase::JTLevelMenuItem* menuItemAt(int index) const;
    virtual std::shared_ptr<SimpleSelectViewDelegate> newLevelSelectDelegate();

    const JTCore::Ref<JTCore::JTArrayList>& menuItems() const { return menuItems_; }
    int selectedIndex() const { return selectedIndex_; }

    void onGameStartBtn();
    void onSelectLevelBtn();
    void onHowToPlayBtn();
    // To the tools area (scores, settings, about).
    void onSettingBtn();
    void onOtherGamesBtn();
    void onMoreLevelsBtn();

  private:
    std::shared_ptr<platform::ui::Label> copyrightLabel_;
    std::shared_ptr<platform::ui::Button> levelSelectBtn_;
    std::shared_ptr<platform::ui::Button> startGameBtnWithSelector_;
    std::shared_ptr<platform::ui::Button> startGameBtnWithoutSelector_;
    JTCore::Ref<JTCore::JTArrayList> menuItems_;
    int selectedIndex_ = 0;
    std::shared_ptr<SimpleSelectViewDelegate> levelSelectDelegate_;
};
