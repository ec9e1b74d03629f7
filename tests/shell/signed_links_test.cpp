// Signing strings and URLs of the three server links, against values worked out by hand (the
// signatures with an independent CRC-32).
#include <gtest/gtest.h>

#include "shell/SignedLinks.h"

namespace {

SignedLinks::Identity identity(std::string version = "1.0.0") {
    return {"http://tikoleap.invalid/iphone/",
            1000,
            std::move(version),
            "00112233445566778899aabbccddeeff",
            "Rw8%kD3!qZ6&bN1x",
            "x86_64;8.0"};
}

const std::string kArid = "00112233445566778899aabbccddeeff";
const std::string kTail = "&tn=x86_64%3B8.0&fv=20";

}  // namespace

TEST(SignedLinks, JumpLeavesLevelZeroOutAndSignsTheLevelOtherwise) {
    const auto plain = SignedLinks::jump(identity(), 1700000000u, 1, 0);
    EXPECT_EQ(plain.signingString, "1000,1.0.0,ar" + kArid + ",1700000000,Rw8%kD3!qZ6&bN1x,1");
    EXPECT_EQ(plain.ha, 2551574093u);
    EXPECT_EQ(plain.url, "http://tikoleap.invalid/iphone/cmd/jump?gid=1000&v=1.0.0&arid=" + kArid +
                             "&dt=1700000000&tgt=1&ha=2551574093" + kTail);

    const auto level = SignedLinks::jump(identity(), 1700000000u, 6, 20);
    EXPECT_EQ(level.signingString, "1000,1.0.0,ar" + kArid + ",1700000000,Rw8%kD3!qZ6&bN1x,6,20");
    EXPECT_EQ(level.ha, 1292508784u);
    EXPECT_EQ(level.url, "http://tikoleap.invalid/iphone/cmd/jump?gid=1000&v=1.0.0&arid=" + kArid +
                             "&dt=1700000000&tgt=6&ha=1292508784&lid=20" + kTail);
}

TEST(SignedLinks, ScoreWithoutHighScoreElementSendsZerosAndKeepsTheOptionalPartsInTheirOrders) {
    const SignedLinks::ScoreEntry score{1234, 1700000100u};
    const auto nilHs = SignedLinks::submitScore(identity(), score, 20, std::nullopt, true, std::nullopt);
    EXPECT_EQ(nilHs.signingString, "1000,1.0.0,20,ar" + kArid + ",1700000100,Rw8%kD3!qZ6&bN1x,1234,hs0,0");
    EXPECT_EQ(nilHs.ha, 1421202176u);
    EXPECT_EQ(nilHs.url, "http://tikoleap.invalid/iphone/cmd/postSc?gid=1000&v=1.0.0&lid=20&arid=" + kArid +
                             "&dt=1700000100&sc=1234&ha=1421202176&hs=0&hsd=0" + kTail);

    // hs before dh when signed, dh before hs in the URL.
    const auto both = SignedLinks::submitScore(identity(), score, 0,
                                               SignedLinks::ScoreEntry{5000, 1690000000u}, true, int64_t{-1});
    EXPECT_EQ(both.signingString,
              "1000,1.0.0,0,ar" + kArid + ",1700000100,Rw8%kD3!qZ6&bN1x,1234,hs5000,1690000000,dh-1");
    EXPECT_EQ(both.ha, 72433232u);
    EXPECT_EQ(both.url, "http://tikoleap.invalid/iphone/cmd/postSc?gid=1000&v=1.0.0&lid=0&arid=" + kArid +
                            "&dt=1700000100&sc=1234&ha=72433232&dh=-1&hs=5000&hsd=1690000000" + kTail);

    // Without useHs a high-score element is not sent at all.
    const auto noHs = SignedLinks::submitScore(identity(), score, 20, SignedLinks::ScoreEntry{5000, 1}, false,
                                               std::nullopt);
    EXPECT_EQ(noHs.url.find("hs"), std::string::npos);
    EXPECT_EQ(noHs.signingString.find("hs"), std::string::npos);
}

TEST(SignedLinks, VersionWithASpaceIsSignedRawAndSentWithAPlus) {
    const auto link = SignedLinks::submitScore(identity("1.0 beta"), {1234, 1700000100u}, 20, std::nullopt,
                                               false, std::nullopt);
    EXPECT_EQ(link.signingString, "1000,1.0 beta,20,ar" + kArid + ",1700000100,Rw8%kD3!qZ6&bN1x,1234");
    EXPECT_EQ(link.ha, 2254646087u);
    EXPECT_NE(link.url.find("&v=1.0+beta&"), std::string::npos) << link.url;
}

TEST(SignedLinks, DownloadLinkSignsHashAndTokenWithTheKeyLast) {
    const auto link = SignedLinks::downloadLevel(identity(), 31, -5, 1234567890123);
    EXPECT_EQ(link.signingString, "1000,1.0.0,31,ar" + kArid + ",dh-5,tk1234567890123,Rw8%kD3!qZ6&bN1x");
    EXPECT_EQ(link.ha, 3630489199u);
    EXPECT_EQ(link.url, "http://tikoleap.invalid/iphone/cmd/downloadLevel?gid=1000&v=1.0.0&lid=31&arid=" +
                            kArid + "&dh=-5&tk=1234567890123&ha=3630489199" + kTail);
}

TEST(SignedLinks, KeyAndSignedFieldsChangeTheSignatureButTnDoesNot) {
    SignedLinks::Identity otherKey = identity();
    otherKey.key = "Rw8%kD3!qZ6&bN1y";
    EXPECT_EQ(SignedLinks::jump(otherKey, 1700000000u, 1, 0).ha, 2581038202u);
    EXPECT_EQ(SignedLinks::jump(otherKey, 1700000000u, 1, 0).url.find("bN1y"), std::string::npos);

    SignedLinks::Identity otherDevice = identity();
    otherDevice.tn = "aarch64;8.0";
    EXPECT_EQ(SignedLinks::jump(otherDevice, 1700000000u, 1, 0).ha, 2551574093u);
    EXPECT_NE(SignedLinks::jump(identity(), 1700000001u, 1, 0).ha, 2551574093u);
    EXPECT_NE(SignedLinks::jump(identity(), 1700000000u, 2, 0).ha, 2551574093u);
}

TEST(SignedLinks, DatesAreTruncatedToUnsigned32Bits) {
    EXPECT_EQ(SignedLinks::linkTime(1700000000.9), 1700000000u);
    EXPECT_EQ(SignedLinks::linkTime(4294967296.0 + 5), 5u);
    EXPECT_EQ(SignedLinks::linkTime(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(SignedLinks::linkTime(1e300), 0u);
}
