#pragma once
// The app's audio session: which category it asked for and whether it is active. A desktop mixes
// every program's sound, so the category only records what the game would like (whether other
// programs' music may go on beside it) for those who ask.
namespace platform::audio {

class AudioSession {
  public:
    enum class Category {
        Ambient,      // mixes with other programs' sound
        SoloAmbient,  // the game's music replaces other programs' music
    };

    static AudioSession& shared();

    void setCategory(Category category) { category_ = category; }
    Category category() const { return category_; }
    void setActive(bool active) { active_ = active; }
    bool isActive() const { return active_; }

  private:
    Category category_ = Category::SoloAmbient;
    bool active_ = false;
};

}  // namespace platform::audio
