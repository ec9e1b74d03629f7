#include "shell/SignedLinks.h"

#include <cmath>
#include <limits>

#include "shell/Crc32.h"
#include "shell/MiscUtil.h"

namespace {

std::string num(long long v) {
    return std::to_string(v);
}
std::string num(unsigned v) {
    return std::to_string(v);
}
std::string num(int v) {
    return std::to_string(v);
}

// Fills in ha and appends what follows every URL, unsigned: "&tn=..&fv=20".
SignedLinks::Link finish(const SignedLinks::Identity& id, std::string signing, std::string urlHead,
                         const std::string& urlTail) {
    SignedLinks::Link link;
    link.ha = Crc32OfCString(signing.c_str());
    link.signingString = std::move(signing);
    link.url = std::move(urlHead) + "&ha=" + num(static_cast<unsigned>(link.ha)) + urlTail +
               "&tn=" + stringByUrlEncodeUTF8(id.tn) + "&fv=" + num(SignedLinks::kFormatVersion);
    return link;
}

}  // namespace

uint32_t SignedLinks::linkTime(double secondsSince1970) {
    // The conversion to unsigned 32 bits truncates; a date outside what 64 bits hold (or no date
    // at all) would make the conversion undefined, so it counts as 0.
    if (!std::isfinite(secondsSince1970) || std::fabs(secondsSince1970) >= 9.2e18) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(secondsSince1970));
}

SignedLinks::Link SignedLinks::jump(const Identity& id, uint32_t now, unsigned target, int levelId) {
    std::string signing = num(id.gameId) + "," + id.version + ",ar" + id.aridStr + "," + num(now) + "," +
                          id.key + "," + num(target);
    if (levelId != 0) signing += "," + num(levelId);
    std::string url = id.base + "cmd/jump?gid=" + num(id.gameId) + "&v=" + stringByUrlEncodeUTF8(id.version) +
                      "&arid=" + stringByUrlEncodeUTF8(id.aridStr) + "&dt=" + num(now) +
                      "&tgt=" + num(target);
    const std::string tail = levelId != 0 ? "&lid=" + num(levelId) : std::string();
    return finish(id, std::move(signing), std::move(url), tail);
}

SignedLinks::Link SignedLinks::submitScore(const Identity& id, const ScoreEntry& score, int levelId,
                                           const std::optional<ScoreEntry>& highScore, bool useHs,
                                           const std::optional<int64_t>& dataHash) {
    const unsigned lid = static_cast<unsigned>(levelId);
    const ScoreEntry hs = highScore.value_or(ScoreEntry{});
    std::string signing = num(id.gameId) + "," + id.version + "," + num(lid) + ",ar" + id.aridStr + "," +
                          num(score.time) + "," + id.key + "," + num(score.score);
    if (useHs) signing += ",hs" + num(hs.score) + "," + num(hs.time);
    if (dataHash) signing += ",dh" + num(static_cast<long long>(*dataHash));
    std::string url = id.base + "cmd/postSc?gid=" + num(id.gameId) +
                      "&v=" + stringByUrlEncodeUTF8(id.version) + "&lid=" + num(lid) +
                      "&arid=" + stringByUrlEncodeUTF8(id.aridStr) + "&dt=" + num(score.time) +
                      "&sc=" + num(score.score);
    std::string tail;
    if (dataHash) tail += "&dh=" + num(static_cast<long long>(*dataHash));
    if (useHs) tail += "&hs=" + num(hs.score) + "&hsd=" + num(hs.time);
    return finish(id, std::move(signing), std::move(url), tail);
}

SignedLinks::Link SignedLinks::downloadLevel(const Identity& id, int levelId, int64_t dh, int64_t tk) {
    std::string signing = num(id.gameId) + "," + id.version + "," + num(levelId) + ",ar" + id.aridStr +
                          ",dh" + num(static_cast<long long>(dh)) + ",tk" + num(static_cast<long long>(tk)) +
                          "," + id.key;
    std::string url = id.base + "cmd/downloadLevel?gid=" + num(id.gameId) +
                      "&v=" + stringByUrlEncodeUTF8(id.version) + "&lid=" + num(levelId) +
                      "&arid=" + stringByUrlEncodeUTF8(id.aridStr) +
                      "&dh=" + num(static_cast<long long>(dh)) + "&tk=" + num(static_cast<long long>(tk));
    return finish(id, std::move(signing), std::move(url), std::string());
}

SignedLinks::Link SignedLinks::announce(const Identity& id, uint32_t dt) {
    std::string signing =
        num(id.gameId) + "," + id.version + ",ar" + id.aridStr + "," + num(dt) + "," + id.key;
    std::string url = id.base + "cmd/announce?gid=" + num(id.gameId) +
                      "&v=" + stringByUrlEncodeUTF8(id.version) +
                      "&arid=" + stringByUrlEncodeUTF8(id.aridStr) + "&dt=" + num(dt);
    return finish(id, std::move(signing), std::move(url), std::string());
}
