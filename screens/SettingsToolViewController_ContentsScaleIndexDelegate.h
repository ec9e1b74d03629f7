#pragma once
// The screen-resolution rows of the picker sheet: Automatic, Low, Medium and High. A choice is
// stored in the settings and takes effect at the next game: the textures of the old resolution
// are dropped here and loaded again at the new one.
#include <array>

#include "screens/SimpleSelectViewDelegate.h"

class SettingsToolViewController;

class SettingsToolViewController_ContentsScaleIndexDelegate : public SimpleSelectViewDelegate {
  public:
    static constexpr int kItemsNum = 4;

    // The settings tab owns this delegate: it is not kept alive by it.
    explicit SettingsToolViewController_ContentsScaleIndexDelegate(SettingsToolViewController* owner)
        : owner_(owner) {}

    // The row an index is shown as: itself for 1 to 3, row 0 ("Automatic") for any other.
    static int rowForIndex(int index) { return index >= 1 && index <= 3 ? index : 0; }
    static const char* labelForIndex(int index);
    static const char* infoTextForIndex(int index);

    int itemsNum() override { return kItemsNum; }
    std::string itemLabelAt(int index) override { return labelForIndex(index); }
    std::optional<std::string> itemInfoTextAt(int index) override { return infoTextForIndex(index); }
    bool canBeDoneWithIndex(int, SimpleSelectView&) override { return true; }
    void didBeDoneWithIndex(int index, SimpleSelectView& view) override;
    void startNextView() override;

  private:
    SettingsToolViewController* owner_;
};
