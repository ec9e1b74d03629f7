#pragma once
#include "appbase/JTTextLabel.h"
#include "levels/VerticalLevel.h"

namespace JTApp {

// Level 32, "Level: Colors": platforms come in three colours and drop away once bounced on; the
// score grows only by chain bonuses, which grow while the hero keeps landing on one colour. Each
// bonus shows for a moment in a label near the platform.
class LevelColors : public VerticalLevel {
  public:
    // A platform of colour c (1 to 3) is of kind c until the hero lands on it, then c + 3, falling.
    static constexpr int kColorCount = 3;
    static constexpr int kLandedOffset = 3;
    // Ticks a chain label stays on screen.
    static constexpr int kLabelTicks = 80;

    explicit LevelColors(JTAppBase::JTAppContext* context);
    ~LevelColors() override;

    void updateState(int state) override;
    void start() override;
    int getDifficulty(int height) const override;

    virtual int getChain() const { return chain_; }
    virtual void setChain(int n) { chain_ = n; }

    int getLastColor() const { return lastColor_; }
    int getLabelTimer() const { return labelTimer_; }
    float getLabelX() const { return labelX_; }
    float getLabelY() const { return labelY_; }
    // The text last given to the chain label (null before the first landing).
    JTCore::Ref<JTCore::JTString> getChainText() const { return chainText_; }
    JTCore::Ref<JTAppBase::JTTextLabel> getChainLabel() const { return chainLabel_; }

    // The bonus a landing that makes a chain of n gives.
    static int chainBonus(int n);

  protected:
    bool isLandable(int kind) const override;
    bool isFalling(int kind) const override;
    void landOn(int slot) override;
    int newPlatformKind() override;
    int platformTexture(int kind) const override;
    void drawWorld() override;

  private:
    void showChain(int slot, int chain, int bonus);

    int chain_ = 0;
    JTCore::Ref<JTAppBase::JTTextLabel> chainLabel_;
    JTCore::Ref<JTCore::JTString> chainText_;
    int labelTimer_ = 0;
    float labelX_ = 0;
    float labelY_ = 0;
    int lastColor_ = 0;
};

}  // namespace JTApp
