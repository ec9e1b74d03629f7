#include "services/LevelScores.h"

#include <filesystem>

#include "appbase/LogMessage.h"
#include "platform/foundation/StoredFile.h"
#include "platform/plist/PlistDict.h"
#include "services/LevelInfo.h"
#include "shell/PlistFiles.h"

namespace fs = std::filesystem;

LevelScores::LevelScores(std::shared_ptr<LevelInfo> levelInfo) : levelInfo_(std::move(levelInfo)) {}

std::optional<std::string> LevelScores::fileNameForLevelId(int levelId, bool createDir) {
    auto dir = DocumentsSubdirectory("LevelScores", createDir);
    if (!dir) return std::nullopt;
    return (fs::path(*dir) / (std::to_string(levelId) + ".plist")).string();
}

void LevelScores::open() {
    highScores_.clear();
    recentScores_.clear();
    const auto path = fileNameForLevelId(levelInfo_->levelId(), false);
    if (!path) return;
    // A file that is there but cannot be read has been named in a WARN, and the next save moves
    // it aside before replacing it.
    if (auto dict = ReadDictionaryFromPlistFile(*path)) serializeWith(*dict, false);
}

bool LevelScores::save() {
    const auto path = fileNameForLevelId(levelInfo_->levelId(), true);
    if (!path) {
        LogMessage("-[LevelScores save]", 4, "no LevelScores folder in " + DocumentsDirectory());
        platform::noteStoredSaveFailure();
        return false;
    }
    platform::PlistDict dict;
    serializeWith(dict, true);
    dict.setInt("LevelScores.version", kFileVersion);
    if (!WriteDictionaryToPlistFile(*path, dict)) return false;
    LogMessage("-[LevelScores save]", 1, "write scores: " + *path);
    return true;
}

void LevelScores::serializeWith(platform::PlistDict& dict, bool isSave) {
    serializeScoresWith(dict, highScores_, "highScores", kHighScoresMax, isSave);
    serializeScoresWith(dict, recentScores_, "recentScores", kRecentScoresMax, isSave);
}

void LevelScores::serializeScoresWith(platform::PlistDict& dict, List& list, const std::string& key,
                                      int maxSize, bool isSave) {
    // The bound is tested before each entry, so a list bounded to 0 keeps none.
    const std::size_t bound = maxSize > 0 ? static_cast<std::size_t>(maxSize) : 0;
    if (isSave) {
        platform::PlistArray array;
        for (const auto& elem : list) {
            if (array.size() >= bound) break;
            platform::PlistDict entry;
            elem->serializeWith(entry, true, *levelInfo_);
            array.appendDict(std::move(entry));
        }
        dict.setArray(key, std::move(array));
        return;
    }
    auto array = dict.getArray(key);
    if (!array) return;
    list.clear();
    for (std::size_t i = 0; i < array->size() && list.size() < bound; ++i) {
        auto entry = array->getDict(i);
        if (!entry) break;
        auto elem = std::make_shared<LevelScoreElem>();
        if (elem->serializeWith(*entry, false, *levelInfo_)) list.push_back(std::move(elem));
    }
}

void LevelScores::registerScore(std::shared_ptr<LevelScoreElem> elem) {
    previousHighScore_ = highScores_.empty() ? nullptr : highScores_.front();
    recentScores_.insert(recentScores_.begin(), std::move(elem));
    if (recentScores_.size() > static_cast<std::size_t>(kRecentScoresMax)) recentScores_.pop_back();
    // The high-score list has no slots in this game: nothing joins it.
}
