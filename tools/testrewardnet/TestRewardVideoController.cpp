#include "tools/testrewardnet/TestRewardVideoController.h"

#include "platform/dispatch/MainLoopTimer.h"
#include "platform/media/MediaPlayers.h"
#include "platform/media/VideoView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Color.h"
#include "platform/url/Url.h"

namespace tikoleap::testrewardnet {

namespace {

// Big enough for a finger, in the corner a video seldom needs.
const platform::Rect kCloseButtonFrame{0, 0, 44, 44};

}  // namespace

std::shared_ptr<platform::media::MediaPlayer> TestRewardVideoController::preparePlayer(const std::string& url,
                                                                                       std::string* error) {
    const auto parsed = platform::Url::parse(url);
    if (!parsed || !parsed->isWeb()) {
        if (error) *error = "the video is not an http or https URL";
        return nullptr;
    }
    // The GStreamer player, from the media library opened with the first one.
    auto player = platform::media::MediaPlayers::create(error);
    if (player) player->replaceItem(url);
    return player;
}

std::shared_ptr<TestRewardVideoController> TestRewardVideoController::create(
    std::shared_ptr<platform::media::MediaPlayer> player, Listener listener) {
    auto controller = std::make_shared<TestRewardVideoController>(std::move(player), std::move(listener));
    controller->player_->setObserver(
        std::static_pointer_cast<platform::media::MediaPlayerObserver>(controller));
    return controller;
}

TestRewardVideoController::TestRewardVideoController(std::shared_ptr<platform::media::MediaPlayer> player,
                                                     Listener listener)
    : player_(std::move(player)),
      listener_(std::move(listener)),
      closeButton_(
          std::make_shared<platform::ui::Button>(platform::ui::ButtonType::Custom, kCloseButtonFrame)) {}

TestRewardVideoController::~TestRewardVideoController() {
    if (frameWatch_) frameWatch_->invalidate();
    if (player_) player_->pause();
}

void TestRewardVideoController::loadView() {
    ViewController::loadView();
    auto v = view();
    v->setBackgroundColor(platform::ui::Color::black());
    videoView_ = std::make_shared<platform::media::VideoView>(player_);
    v->addSubview(videoView_);
    closeButton_->setTitle("X");
    closeButton_->setTitleColor(platform::ui::Color::white());
    closeButton_->setFont(platform::ui::Font::boldSystem(20));
    std::weak_ptr<TestRewardVideoController> weak =
        std::static_pointer_cast<TestRewardVideoController>(shared_from_this());
    closeButton_->addTarget(platform::ui::ControlEventTouchUpInside, [weak](platform::ui::Control&) {
        if (auto self = weak.lock()) self->closePressed();
    });
    v->addSubview(closeButton_);
}

void TestRewardVideoController::viewDidAppear(bool) {
    videoView_->setFrame(view()->bounds());
    closeButton_->setFrame(kCloseButtonFrame);
    if (started_) return;
    started_ = true;
    if (player_->status() == platform::media::MediaStatus::Failed) return closePressed();
    player_->play();
    watchForFirstFrame();
}

void TestRewardVideoController::mediaPlayerStatusChanged(platform::media::MediaPlayer& player) {
    // Before the screen is shown there is nothing to close: it closes as soon as it appears.
    if (!started_ || player.status() != platform::media::MediaStatus::Failed) return;
    auto self = shared_from_this();
    closePressed();
}

void TestRewardVideoController::watchForFirstFrame() {
    std::weak_ptr<TestRewardVideoController> weak =
        std::static_pointer_cast<TestRewardVideoController>(shared_from_this());
    // The view draws whenever the screen does; it is asked at the display's pace whether it has.
    frameWatch_ = platform::MainLoopTimer::schedule(platform::media::VideoView::kRefreshSeconds, true,
                                                    [weak](platform::MainLoopTimer& timer) {
                                                        auto self = weak.lock();
                                                        if (!self) return timer.invalidate();
                                                        if (self->videoView_->drawnSerial() == 0) return;
                                                        timer.invalidate();
                                                        if (self->listener_.firstFrameDrawn)
                                                            self->listener_.firstFrameDrawn();
                                                    });
}

void TestRewardVideoController::mediaPlayerDidPlayToEnd(platform::media::MediaPlayer&) {
    // Held: the owner may let this screen go when it hears of the end.
    auto self = shared_from_this();
    if (listener_.playedToEnd) listener_.playedToEnd();
}

void TestRewardVideoController::closePressed() {
    if (closing_) return;
    closing_ = true;
    if (frameWatch_) frameWatch_->invalidate();
    player_->pause();
    std::weak_ptr<TestRewardVideoController> weak =
        std::static_pointer_cast<TestRewardVideoController>(shared_from_this());
    dismissViewController(true, [weak] {
        auto self = weak.lock();
        if (self && self->listener_.closed) self->listener_.closed();
    });
}

}  // namespace tikoleap::testrewardnet
