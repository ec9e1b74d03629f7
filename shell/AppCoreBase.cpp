#include "shell/AppCoreBase.h"

#include <cstdio>
#include <filesystem>

#include "appbase/JTLevelManager.h"
#include "appbase/Texture2D.h"
#include "platform/foundation/ResourceFileError.h"
#include "platform/gl/GLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"
#include "shell/Announcements.h"
#include "shell/GameViewBase.h"
#include "shell/LevelInfo.h"
#include "shell/LevelScoreElem.h"
#include "shell/ScreenFlow.h"
#include "shell/TextureVariant.h"
#include "sound/SoundObj.h"

AppCoreBase::AppCoreBase(std::string resourcesDir, std::shared_ptr<platform::GLContext> eaglContext)
    : resourcesDir_(std::move(resourcesDir)),
      eaglContext_(std::move(eaglContext)),
      window_(std::make_shared<platform::ui::Window>(platform::Rect(0, 0, 320, 480))),
      // Alerts hold their delegate weakly: this handle owns nothing and dies with the core.
      alertDelegateHandle_(this, [](platform::ui::AlertViewDelegate*) {}) {
    SoundObj::setBundleDirectory(resourcesDir_);
    observeApplication();
}

platform::Size AppCoreBase::screenSize() const {
    return window_ ? window_->bounds().size : platform::Size{};
}

void AppCoreBase::closeDown() {
    if (closedDown_) return;
    closedDown_ = true;
    platform::ui::Application::shared().notificationCenter().removeObserversOf(this);
    // The download thread works from what it took at its start; it only has to end before the
    // announcements forget this core.
    if (announcements_ && announcements_->appCore() == static_cast<AppDoor*>(this)) {
        announcements_->shutdown();
        announcements_->waitForDownload();
        announcements_->setAppCore(nullptr);
    }
    // The game view and the textures hold GL names: free them while the context is current.
    setCurrentEAGLContext();
    if (appContext_) appContext_->setGameView(nullptr);
    if (window_) window_->setRootViewController(nullptr);
    if (screenFlow_) screenFlow_->releaseScreens();
}

AppCoreBase::~AppCoreBase() {
    closeDown();
    setCurrentEAGLContext();
    for (auto& info : orientationDependedInfo_) info.gameView.reset();
    releaseResources();
    // The app core is the engine's one user: with it goes the sound device.
    SoundObj::teardown();
}

void AppCoreBase::setAppContext(JTCore::Ref<JTAppBase::JTAppContext> context) {
    appContext_ = std::move(context);
    appContext_->setAppCore(this);
}

void AppCoreBase::transitionAnimation(int transition, double duration) {
    if (window_) window_->transition(static_cast<platform::ui::WindowTransition>(transition), duration);
}

void AppCoreBase::setCurrentLevelId(int levelId) {
    currentLevelId_ = levelId;
    currentLevelInfoCache_.reset();
}

std::shared_ptr<LevelInfo> AppCoreBase::currentLevelInfo() {
    if (!currentLevelInfoCache_) currentLevelInfoCache_ = levelInfoForId(currentLevelId_);
    return currentLevelInfoCache_;
}

JTAppBase::JTLevelManager* AppCoreBase::levelManager() const {
    return appContext_ ? appContext_->getLevelManager().get() : nullptr;
}

double AppCoreBase::currentDate() const {
    return dateSource_ ? dateSource_() : LevelScoreElem::now();
}

Texture2D* AppCoreBase::texture(int n) const {
    return n >= 0 && n < kTextureSlots ? textures_[static_cast<size_t>(n)].get() : nullptr;
}

void AppCoreBase::playSound(int n) {
    if (SoundObj* s = sound(n)) s->start();
    if (frontend_.onSound) frontend_.onSound(n);
}

void AppCoreBase::stopSound(int n) {
    if (SoundObj* s = sound(n)) s->stop();
}

void AppCoreBase::playMusic(int n) {
    if (SoundObj* m = music(n)) m->start();
}

void AppCoreBase::stopLoopingEffects(bool effects, bool music) {
    SoundObj::stopLoopingEffects(effects, music);
}

bool AppCoreBase::musicIsEnabled() const {
    return SoundObj::musicIsEnabled();
}

void AppCoreBase::loadSEAt(int index, const std::string& name) {
    if (index < 0 || index >= kSoundSlots) return;
    sounds_[static_cast<size_t>(index)] = SoundObj::newEffectWithResourceName(name, "wav");
}

void AppCoreBase::setSEVolumeAt(int index, int volume) {
    if (SoundObj* s = sound(index)) s->setVolume(volume);
}

void AppCoreBase::loadMusicAt(int /*index*/, const std::string& /*name*/) {
    // The music table has kMusicSlots slots, none in this game: no index names one, and no track
    // (type "caf") is loaded.
}

void AppCoreBase::setMusicVolumeAt(int index, int volume) {
    if (SoundObj* m = music(index)) m->setVolume(volume);
}

SoundObj* AppCoreBase::sound(int n) const {
    return n >= 0 && n < kSoundSlots ? sounds_[static_cast<size_t>(n)].get() : nullptr;
}

float AppCoreBase::contentsScaleValueFromIndex(int index) {
    return TextureVariant::scaleForIndex(index);
}

std::shared_ptr<Texture2D> AppCoreBase::newTextureWithName(const std::string& name) const {
    auto variant = TextureVariant::find(resourcesDir_, name, contentsScaleIndex_);
    if (!variant) return nullptr;
    std::string error;
    auto image = platform::loadPng(variant->path, &error);
    // The start-up check read the file whole; what only decoding finds ends the program too.
    if (!image) throw platform::ResourceFileError(variant->path, error);
    return Texture2D::initWithImage(*image, variant->contentsScale);
}

void AppCoreBase::loadImageAt(int index, const std::string& name) {
    if (index < 0 || index >= kTextureSlots) return;
    textures_[static_cast<size_t>(index)] = newTextureWithName(name);
}

void AppCoreBase::cutEdgeImageAt(int index) {
    Texture2D* t = texture(index);
    if (t == nullptr) return;
    t->setEdgeMarginH(0.5f / static_cast<float>(t->pixelsWide()));
    t->setEdgeMarginV(0.5f / static_cast<float>(t->pixelsHigh()));
}

void AppCoreBase::releaseResources() {
    if (!resourceLoaded_) return;
    resourceLoaded_ = false;
    texIconPause_.reset();
    if (appContext_) appContext_->setGameView(nullptr);
    for (auto& info : orientationDependedInfo_) info.gameView.reset();
    for (auto& t : textures_) t.reset();
    for (auto& s : sounds_) {
        if (s) s->dispose();
        s.reset();
    }
}

void AppCoreBase::setCurrentEAGLContext() {
    if (eaglContext_ && !eaglContext_->makeCurrent()) {
        std::fprintf(stderr, "Failed to set current context %p in %s\n",
                     static_cast<void*>(eaglContext_.get()), "-[AppCoreBase setCurrentEAGLContext]");
    }
}
