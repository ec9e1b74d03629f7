#pragma once
// Who the app is, to the player and to its web server: its names and version, its resources,
// the device account and the links signed with them. Screens and services read it through this
// interface; the app core answers.
#include <cstdint>
#include <optional>
#include <string>

#include "shell/SignedLinks.h"

class AppIdentity {
  public:
    virtual ~AppIdentity() = default;

    virtual int gameId() const = 0;
    // The game server's web base URL, ending in "/".
    virtual const std::string& iphoneWebUrl() const = 0;
    // The key that score hashes and signed links are made with.
    virtual const std::string& webSecretKey() const = 0;
    // False while the device account id is the all-zero stand-in: nothing is signed with it.
    virtual bool aridAvailable() const = 0;
    // What every signed link carries: base URL, game id, version, account id, key and tn.
    virtual SignedLinks::Identity linkIdentity() const = 0;
    // The signed level-download link; nothing when the account id is unavailable.
    virtual std::optional<std::string> downloadLevelUrlWithLevelId(int levelId, int64_t dh, int64_t tk) = 0;
    // Opens the server page `target` in the user's browser; false when nothing was opened.
    virtual bool webJump(int target, int levelId = 0) = 0;
    // A score as the submission link carries it.
    struct ScoreLinkEntry {
        unsigned score = 0;
        double date = 0;  // seconds since 1970
    };
    // Opens the signed score submission; `highScore` stands for the high-score element (nothing:
    // no such element).
    virtual bool webSubmitScore(const ScoreLinkEntry& score, int levelId,
                                const std::optional<ScoreLinkEntry>& highScore, bool useHs) = 0;

    virtual const std::string& appVersionString() const = 0;
    virtual const std::string& appDisplayName() const = 0;
    virtual std::string appCopyrightString() const = 0;
    // The folder of the generated textures, the interface files and the bundle information.
    virtual const std::string& resourcesDir() const = 0;
};
