#pragma once
// The local score lists of one level and their file, Documents/LevelScores/<level id>.plist: the
// high scores (best first) and the most recent scores (newest first). Entries whose hash does not
// match are dropped when the file is read. A file that exists but cannot be read is kept aside
// as "<file>.corrupt" before the next save replaces it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/LevelScoreElem.h"

namespace platform {
class PlistDict;
}
class LevelInfo;

class LevelScores {
  public:
    using List = std::vector<std::shared_ptr<LevelScoreElem>>;
    static constexpr int kHighScoresMax = 0;
    static constexpr int kRecentScoresMax = 3;
    static constexpr int kFileVersion = 0x1001;

    explicit LevelScores(std::shared_ptr<LevelInfo> levelInfo);

    const List& highScores() const { return highScores_; }
    const List& recentScores() const { return recentScores_; }
    const std::shared_ptr<LevelInfo>& levelInfo() const { return levelInfo_; }
    // The entry that headed the high scores when the last score was registered (null when none).
    const std::shared_ptr<LevelScoreElem>& previousHighScore() const { return previousHighScore_; }

    // Documents/LevelScores/<id>.plist; with createDir the folder is made first (nothing when it
    // cannot be).
    static std::optional<std::string> fileNameForLevelId(int levelId, bool createDir);

    // Loads both lists from the level's file; a missing or unreadable file leaves them empty.
    void open();
    // Writes both lists; false (logged) when the file could not be written.
    bool save();
    void serializeWith(platform::PlistDict& dict, bool isSave);
    // One list under `key`, at most `maxSize` entries.
    void serializeScoresWith(platform::PlistDict& dict, List& list, const std::string& key, int maxSize,
                             bool isSave);

    void registerScore(std::shared_ptr<LevelScoreElem> elem);
    void clearHighScores() { highScores_.clear(); }

  private:
    List highScores_;
    List recentScores_;
    std::shared_ptr<LevelInfo> levelInfo_;
    std::shared_ptr<LevelScoreElem> previousHighScore_;
};
