#pragma once
// The test reward network's video screen: the video on black, fitted to the screen, with a close
// button at the top left. It tells its owner when the first picture has been drawn, when the
// video has played to its end, and when its close button has taken it off the screen. The player
// is made and loaded before the screen is shown (the network "preloads" its video), so the first
// picture comes soon after the screen opens. A video that fails (one whose download passes the
// player's disk allowance among them) closes the screen once it is shown, with no reward. Main
// thread only.
#include <functional>
#include <memory>

#include "platform/media/MediaPlayer.h"
#include "platform/ui/ViewController.h"

namespace platform {
class MainLoopTimer;
}
namespace platform::media {
class VideoView;
}
namespace platform::ui {
class Button;
}

namespace tikoleap::testrewardnet {

class TestRewardVideoController : public platform::ui::ViewController,
                                  public platform::media::MediaPlayerObserver {
  public:
    struct Listener {
        std::function<void()> firstFrameDrawn;
        std::function<void()> playedToEnd;
        std::function<void()> closed;
    };

    // A player for the video at `url` (http or https), loaded and paused; null with the reason
    // when the media framework cannot make one.
    static std::shared_ptr<platform::media::MediaPlayer> preparePlayer(const std::string& url,
                                                                       std::string* error);
    static std::shared_ptr<TestRewardVideoController> create(
        std::shared_ptr<platform::media::MediaPlayer> player, Listener listener);
    ~TestRewardVideoController() override;

    // The close button, for whoever taps it (the probe, through the window's touch path).
    const std::shared_ptr<platform::ui::Button>& closeButton() const { return closeButton_; }
    const std::shared_ptr<platform::media::VideoView>& videoView() const { return videoView_; }

    // Starts playing once on the screen.
    void viewDidAppear(bool animated) override;
    void mediaPlayerStatusChanged(platform::media::MediaPlayer& player) override;
    void mediaPlayerDidPlayToEnd(platform::media::MediaPlayer& player) override;

    // Use create().
    TestRewardVideoController(std::shared_ptr<platform::media::MediaPlayer> player, Listener listener);

  protected:
    void loadView() override;

  private:
    void closePressed();
    void watchForFirstFrame();

    std::shared_ptr<platform::media::MediaPlayer> player_;
    Listener listener_;
    std::shared_ptr<platform::media::VideoView> videoView_;
    std::shared_ptr<platform::ui::Button> closeButton_;
    std::shared_ptr<platform::MainLoopTimer> frameWatch_;
    bool started_ = false;
    bool closing_ = false;
};

}  // namespace tikoleap::testrewardnet
