#pragma once
// One sound resource of the shell or the game core: a one-shot effect, a looping effect or a
// music track. The class owns the engine's lifetime, the master volume and the music switch;
// objects made before the engine is up load their data when it comes up.
#include <memory>
#include <string>
#include <vector>

class SoundObj {
  public:
    static constexpr int kTypeEffect = 1;
    static constexpr int kTypeLoopingEffect = 2;
    static constexpr int kTypeMusic = 3;

    // --- the class
    // Every live sound object, in order of creation.
    static const std::vector<std::shared_ptr<SoundObj>>& soundObjs();
    // Brings the engine up at the first volume above 0 and sets the master volume (percent). An
    // engine that came up silent because its device did not answer in time takes the device here
    // once it has answered (every game start sets the volume).
    static void setupWithVolume(int percent);
    static void teardown();
    static void updateAudioSession();
    static void setMusicIsEnabled(bool enabled);
    static bool musicIsEnabled();
    static bool engineReady();
    static double masterVolume();
    // Where resources are looked up by name (the generated resources folder).
    static void setBundleDirectory(std::string directory);

    // The caller owns the result (the registry keeps it too, until dispose or teardown).
    static std::shared_ptr<SoundObj> newEffectWithResourceName(const std::string& name,
                                                               const std::string& type);
    static std::shared_ptr<SoundObj> newLoopingEffectWithResourceName(const std::string& name,
                                                                      const std::string& type);
    static std::shared_ptr<SoundObj> newMusicWithResourceName(const std::string& name,
                                                              const std::string& type);
    static std::shared_ptr<SoundObj> initWithType(int type, std::string resourcePath);
    static void stopLoopingEffects(bool stopEffects, bool stopMusic);

    // --- one object
    void loadResource();
    void unloadResource();
    void dispose();
    void start();
    void startEffect() { start(); }
    void stop();
    // The object's own volume, 0 to 100.
    void setVolume(int percent);
    void onUpdateVolume();
    void setPosition(float x, float y, float z);
    void setPitch(float pitch);

    unsigned long handle() const { return handle_; }
    void setHandle(unsigned long handle) { handle_ = handle; }
    const std::string& resourcePath() const { return resourcePath_; }
    void setResourcePath(std::string path) { resourcePath_ = std::move(path); }
    bool playingLoop() const { return playingLoop_; }
    void setPlayingLoop(bool playing) { playingLoop_ = playing; }
    int type() const { return type_; }
    void setType(int type) { type_ = type; }
    float sndVolume() const { return sndVolume_; }

  private:
    SoundObj(int type, std::string resourcePath) : type_(type), resourcePath_(std::move(resourcePath)) {}
    bool isEffect() const { return type_ == kTypeEffect || type_ == kTypeLoopingEffect; }

    unsigned long handle_ = 0;
    int type_;
    std::string resourcePath_;
    bool playingLoop_ = false;
    float sndVolume_ = 1.0f;
};
