#pragma once
// Fills the score labels and submit buttons found by tag in a container with a level's local
// lists, and opens the score submission link for the entry whose button was pressed.
#include <memory>
#include <vector>

class AppDoor;
class LevelScores;
class LevelScoreElem;
namespace platform::ui {
class Button;
class Label;
class View;
}  // namespace platform::ui

class ScoresViewerDelegate {
  public:
    virtual ~ScoresViewerDelegate() = default;
    virtual AppDoor* appCore() const = 0;
    // The view holding the tagged labels and buttons.
    virtual std::shared_ptr<platform::ui::View> scoreComponentsContainer() = 0;
};

class ScoresViewer {
  public:
    static constexpr int kHighScoreSlots = 0;
    static constexpr int kRecentScoreSlots = 3;
    static constexpr int kHighScoreLabelTag = 1001;
    static constexpr int kHighScoreSubmitTag = 1101;
    static constexpr int kRecentScoreLabelTag = 2001;
    static constexpr int kRecentScoreSubmitTag = 2101;

    // The delegate owns the viewer and outlives it.
    explicit ScoresViewer(ScoresViewerDelegate* delegate) : delegate_(delegate) {}

    void startWithLevelScores(std::shared_ptr<LevelScores> scores);
    const std::shared_ptr<LevelScores>& levelScores() const { return levelScores_; }
    const std::shared_ptr<LevelScoreElem>& currentScore() const { return currentScore_; }
    void setCurrentScore(std::shared_ptr<LevelScoreElem> score) { currentScore_ = std::move(score); }
    void updateView();
    void onSubmitBtn(platform::ui::Button& button);

    // Opens the signed score submission of `entry` (useHs off); false when nothing was opened.
    static bool submitScore(AppDoor& core, const LevelScoreElem& entry, int webLevelId,
                            const LevelScoreElem* highScore);
    // "MM/dd HH:mm" in local time.
    static std::string formatDate(double secondsSince1970);
    // English ordinal of a zero-based rank: "1st", "2nd", "3rd", "4th", ... "11th", "21st", "22nd".
    static std::string rankStr(int rank);
    // Slot i is the container's view tagged tagBegin + i when it is a T, else empty.
    template <class T>
    static std::vector<std::shared_ptr<T>> processTag(platform::ui::View* container, int size, int tagBegin);

  private:
    void connectButtons(const std::vector<std::shared_ptr<platform::ui::Button>>& buttons);

    ScoresViewerDelegate* delegate_;
    std::shared_ptr<LevelScores> levelScores_;
    std::shared_ptr<LevelScoreElem> currentScore_;
    std::vector<std::shared_ptr<platform::ui::Label>> highScoreLabels_;
    std::vector<std::shared_ptr<platform::ui::Button>> highScoreSubmitBtns_;
    std::vector<std::shared_ptr<platform::ui::Label>> recentScoreLabels_;
    std::vector<std::shared_ptr<platform::ui::Button>> recentScoreSubmitBtns_;
};
