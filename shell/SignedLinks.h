#pragma once
// The three signed GET links of the game's web server: a jump to a server page, a score
// submission and a level download. Each carries ha, the CRC-32 of a signing string that holds the
// web secret key; the key itself is never sent.
#include <cstdint>
#include <optional>
#include <string>

class SignedLinks {
  public:
    // What every link carries.
    struct Identity {
        std::string base;     // web base URL, ending in "/"
        unsigned gameId = 0;  // gid
        std::string version;  // v: raw when signed, URL-encoded in the URL
        std::string aridStr;  // 32 lower-case hex characters
        std::string key;      // signed only
        std::string tn;       // device type and system version, URL-encoded, not signed
    };
    struct Link {
        std::string signingString;
        uint32_t ha = 0;
        std::string url;
    };
    struct ScoreEntry {
        unsigned score = 0;
        uint32_t time = 0;  // seconds since 1970
    };

    static constexpr int kFormatVersion = 20;  // fv

    // Seconds since 1970 as the links carry them: truncated to unsigned 32 bits.
    static uint32_t linkTime(double secondsSince1970);

    // cmd/jump; a level id of 0 is left out of both the signing string and the URL.
    static Link jump(const Identity& id, uint32_t now, unsigned target, int levelId);
    // cmd/postSc; highScore is the high-score element (nothing: none, which sends 0 and 0) and
    // counts only with useHs; dataHash is attached when the level manager is files-backed.
    static Link submitScore(const Identity& id, const ScoreEntry& score, int levelId,
                            const std::optional<ScoreEntry>& highScore, bool useHs,
                            const std::optional<int64_t>& dataHash);
    // cmd/downloadLevel.
    static Link downloadLevel(const Identity& id, int levelId, int64_t dh, int64_t tk);
    // cmd/announce: the announcement list asked for at time dt.
    static Link announce(const Identity& id, uint32_t dt);
};
