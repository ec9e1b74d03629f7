#pragma once
// Shown over a paused game: the sound step, resume (also at the place of the game's pause
// button), the scene's own extra button when it names one, and the way back to the title.
#include <memory>

#include "platform/geometry/Geometry.h"
#include "screens/ViewControllerBase.h"

namespace platform::ui {
class Button;
}
namespace JTAppBase {
class JTScene;
}

class PauseView : public ViewControllerBase {
  public:
    explicit PauseView(std::string interfaceName);

    JTAppBase::JTScene* gameScene() const;
    void viewWillAppear(bool animated) override;
    // The sound button's title follows the app core's volume step.
    void updateView();
    // (0, 0) means the game has no pause button: the resume button at its place is hidden.
    void setResumeBtnPos(platform::Point pos) { resumeBtnPos_ = pos; }
    platform::Point resumeBtnPos() const { return resumeBtnPos_; }

    // Steps the volume, saves the settings at once and hands the step to the sound objects.
    void onSoundBtn();
    void onResumeBtn();
    void onAdditional0Btn();
    void onBackToTitleBtn();

  private:
    std::shared_ptr<platform::ui::Button> soundBtn_;
    std::shared_ptr<platform::ui::Button> resumeBtn_;
    std::shared_ptr<platform::ui::Button> additional0Btn_;
    platform::Point resumeBtnPos_;
};
