// The page-content fingerprint: tokens, shingle hashes, the kept heap, the score and the
// character sets that the user defaults can replace.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ads/foundation/DZUtilityFunctions.h"
#include "ads/render/sampling/DZCharacterSets.h"
#include "ads/render/sampling/DZContent.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "support/TempDir.h"

namespace {

using Tokens = std::vector<std::string>;

class FingerprintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::AppPaths::setHome(home_.path());
        platform::UserDefaults::resetStandard();
    }
    void TearDown() override { platform::UserDefaults::resetStandard(); }

    void setDefault(const std::string& name, int64_t value) {
        platform::UserDefaults::standard()->setInteger("/rerive/ads/" + name, value);
    }
    // Made after the defaults a test sets, like every content.
    std::shared_ptr<DZCharacterSets> sets() {
        if (!sets_) sets_ = std::make_shared<DZCharacterSets>();
        return sets_;
    }
    DZContent content(uint32_t sequenceNumber) { return DZContent(sequenceNumber, sets()); }
    Tokens tokens(std::u16string_view paragraph) {
        return DZContent::tokenize(paragraph, sets()->characterDelimitedSet(), sets()->spaceDelimitedSet());
    }

    tikoleap::test::TempDir home_;
    std::shared_ptr<DZCharacterSets> sets_;
};

TEST_F(FingerprintTest, KnownTextsGiveTheirScoresAndFingerprints) {
    struct Case {
        const char* text;
        uint32_t sequenceNumber;
        int32_t score;
        std::size_t shingles;
        const char* fingerprint;
    };
    const Case cases[] = {
        {"The quick brown fox jumps over the lazy dog", 1, 44, 4, "CVKL52qMYV_9iRMRHJHZ9w=="},
        {"one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen sixteen "
         "seventeen eighteen nineteen twenty",
         5, 136, 10, "jouCwLzcHlAs_yTlz17jpfHrxt9aQtpCTewZXd3fx67NFeCxB0OWow=="},
        {"\u4ECA\u65E5\u306F\u3044\u3044\u5929\u6C17\u3067\u3059\u306D", 1, 11, 5,
         "ESIjD7B1lnLPe0A6tn2PKPxD474="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto sample = content(c.sequenceNumber);
        sample.updateContentWithText(c.text);
        EXPECT_EQ(sample.score(), c.score);
        EXPECT_EQ(sample.shingles().size(), c.shingles);
        EXPECT_EQ(sample.fingerprint(), c.fingerprint);
    }
}

TEST_F(FingerprintTest, ShortTextsAndRepeatsLeaveTheFingerprintAlone) {
    auto sample = content(1);
    sample.updateContentWithText("abc");
    EXPECT_EQ(sample.score(), 1);
    EXPECT_EQ(sample.fingerprint(), "");
    sample.updateContentWithText("alpha beta gamma delta epsilon zeta eta");
    const auto fingerprint = sample.fingerprint();
    const auto score = sample.score();
    ASSERT_NE(fingerprint, "");
    sample.updateContentWithText("xyz\nuvw\n");
    EXPECT_EQ(sample.score(), score);
    EXPECT_EQ(sample.fingerprint(), fingerprint);
    EXPECT_EQ(sample.shingles().size(), 2u);
    sample.updateContentWithText("");
    EXPECT_EQ(sample.score(), score);
}

TEST_F(FingerprintTest, TokensFollowTheCharacterClasses) {
    EXPECT_EQ(tokens(u"\u65E5\u672C\u8A9E"), (Tokens{"\u65E5", "\u672C", "\u8A9E"}));
    EXPECT_EQ(tokens(u"abc\u65E5def"), (Tokens{"abc", "\u65E5", "def"}));
    // The katakana middle dot is outside the ideographic ranges, and a surrogate pair splits words.
    EXPECT_EQ(tokens(u"\u30A2\u30FB\u30A4 x1,y2 a\U0001F600b"),
              (Tokens{"\u30A2", "\u30A4", "x1", "y2", "a", "b"}));
    EXPECT_EQ(DZContent::lowercased(u"ABC \u0130 \u00C9T\u00C9 \u039F\u03A3"),
              u"abc i\u0307 \u00E9t\u00E9 \u03BF\u03C2");
    // A capital sigma is final after a cased letter when no cased letter follows, looking past
    // apostrophes and marks either way; an ideograph is no cased letter.
    const std::vector<std::pair<std::u16string, std::u16string>> sigmas{
        {u"\u0391\u03A3\u4ECA alpha", u"\u03B1\u03C2\u4ECA alpha"},
        {u"\u0391\u03A3'\u0392", u"\u03B1\u03C3'\u03B2"},
        {u"\u0391\u0301\u03A3.", u"\u03B1\u0301\u03C2."},
        {u"\u03A3 \u03A3\u0391", u"\u03C3 \u03C3\u03B1"},
        {u"\u00C9\u03A3\U0001D400", u"\u00E9\u03C3\U0001D400"},
    };
    for (const auto& [upper, lower] : sigmas) EXPECT_EQ(DZContent::lowercased(upper), lower);
    auto sample = content(1);
    sample.updateContentWithText("\u00C9T\u00C9 EN FRAN\u00C7AIS");
    ASSERT_EQ(sample.shingles().size(), 1u);
    EXPECT_EQ(sample.shingles()[0]->shingle(), (Tokens{"\u00E9t\u00E9", "en", "fran\u00E7ais"}));
}

TEST_F(FingerprintTest, ShortParagraphsRankBelowFullShingles) {
    auto sample = content(1);
    sample.updateContentWithText("one two three\nfour five six seven eight nine");
    const auto kept = sample.shingles();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0]->shingle(), (Tokens{"one", "two", "three"}));
    EXPECT_EQ(kept[1]->shingle().size(), 6u);
    EXPECT_LT(DZCompareShingleHashTuples(kept[0], kept[1]), 0);
    EXPECT_GT(DZCompareShingleHashTuples(kept[1], kept[0]), 0);
    EXPECT_EQ(DZCompareShingleHashTuples(
                  kept[1], std::make_shared<DZShingleHashTuple>(Tokens(6, "x"), kept[1]->hashValue())),
              0);
}

TEST_F(FingerprintTest, TheHeapKeepsTheLargestHashes) {
    auto sample = content(1);
    std::vector<uint64_t> offered;
    for (uint64_t h = 1; h <= 30; ++h) offered.push_back((h * 7919) % 1000);
    for (uint64_t h : offered) sample.updateHeapWithHash(h, Tokens(6, "t"));
    sample.updateHeapWithHash(offered.back(), Tokens(6, "u"));
    std::sort(offered.begin(), offered.end());
    offered.erase(std::unique(offered.begin(), offered.end()), offered.end());
    std::vector<uint64_t> kept;
    for (const auto& tuple : sample.shingles()) kept.push_back(tuple->hashValue());
    EXPECT_EQ(kept, std::vector<uint64_t>(offered.end() - 10, offered.end()));
}
}  // namespace

namespace {

TEST_F(FingerprintTest, RollingHashesEqualHornerHashes) {
    std::mt19937_64 random(20261207);
    for (uint32_t length : {1u, 2u, 6u, 17u}) {
        std::vector<uint64_t> values(200);
        for (auto& v : values) v = random() % DZContent::kModulus;
        values[3] = DZContent::kModulus - 1;
        values[4] = 0;
        const auto rolled =
            DZContent::applyRollingHash(values, length, DZContent::hornerHash(values.data(), length));
        ASSERT_EQ(rolled.size(), values.size() - length);
        for (std::size_t i = 0; i < rolled.size(); ++i)
            ASSERT_EQ(rolled[i], DZContent::hornerHash(values.data() + i + 1, length))
                << length << " at " << i;
    }
    // The most negative MurmurHash3 value wraps to 2^64 - 1 before the modulus.
    EXPECT_EQ(
        DZContent::tokenValue("the"),
        (static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(DZMurmurHash3x86_32("the", 3, 0))) +
                               2147483647)) %
            DZContent::kModulus);
}

TEST_F(FingerprintTest, RangesParseOrFallBack) {
    const auto ideographs = DZCharacterSets::setFromRangesJSON("[[19968,20941],[12352,96]]");
    ASSERT_TRUE(ideographs);
    EXPECT_TRUE(ideographs->contains(0x4E00));
    EXPECT_TRUE(ideographs->contains(0x9FCC));
    EXPECT_FALSE(ideographs->contains(0x9FCD));
    EXPECT_TRUE(ideographs->contains(0x309F));
    EXPECT_FALSE(ideographs->contains(0x30A0));
    EXPECT_TRUE(DZCharacterSets::setFromRangesJSON("[[65.9,2.5]]")->contains(u'B'));
    EXPECT_TRUE(DZCharacterSets::setFromRangesJSON("[[1114111,1]]"));
    for (const char* bad : {"[[19968,20941],\"x\"]", "[[1114111,2]]", "[[-1,5]]", "[[1,2,3]]", "{}", "[[1,2]",
                            "[[1e300,1]]", "[[\"1\",2]]"})
        EXPECT_FALSE(DZCharacterSets::setFromRangesJSON(bad)) << bad;

    auto defaults = platform::UserDefaults::standard();
    defaults->setString(DZCharacterSets::kCharacterDelimitedKey, "[[97,1]]");
    defaults->setString(DZCharacterSets::kSpaceDelimitedKey, "[[98,25]]");
    auto replaced = sets();
    EXPECT_EQ(tokens(u"banana1 \u65E5\u672C"), (Tokens{"b", "a", "n", "a", "n", "a"}));
    // A malformed value restores the built-in ideographs; an absent key keeps what was there.
    defaults->setString(DZCharacterSets::kCharacterDelimitedKey, "[[19968,20941],\"x\"]");
    defaults->removeObjectForKey(DZCharacterSets::kSpaceDelimitedKey);
    replaced->updateCharacterSets();
    EXPECT_EQ(tokens(u"banana1 \u65E5\u672C"), (Tokens{"b", "n", "n", "\u65E5", "\u672C"}));
}

TEST_F(FingerprintTest, SettingsAreBoundedAndTheScoreWraps) {
    setDefault("shingle_length", 0);
    setDefault("maximum_shingle_count", 1000);
    setDefault("content_length_weight", 0x40000000);
    setDefault("content_age_weight", -1);
    auto sample = content(3);
    EXPECT_EQ(sample.shingleLength(), 6u);
    EXPECT_EQ(sample.maximumShingleCount(), 64u);
    std::string text;
    for (int i = 0; i < 100; ++i) text += "w" + std::to_string(i) + " ";
    sample.updateContentWithText(text);
    // 0x40000000 * 390 - 3 modulo 2^32.
    EXPECT_EQ(static_cast<uint32_t>(sample.score()), 0x80000000u - 3u);
    EXPECT_EQ(sample.shingles().size(), 64u);
    EXPECT_EQ(sample.fingerprint().size(), 344u);
    sample.deductServedPenalty();
    EXPECT_EQ(static_cast<uint32_t>(sample.score()), 0x80000000u - 103u);

    setDefault("shingle_length", 2);
    setDefault("maximum_shingle_count", 0);
    auto none = content(1);
    none.updateContentWithText(text);
    EXPECT_EQ(none.shingleLength(), 2u);
    EXPECT_EQ(none.fingerprint(), "");
}

TEST_F(FingerprintTest, BrokenTextIsReadAsReplacementCharacters) {
    auto sample = content(1);
    sample.updateContentWithText(std::string("caf\xC3\xA9 \xFF\xC0\x80 \xED\xA0\x80 ok\0no", 19));
    // Every bad byte is one U+FFFD; the NUL separates words and survives lower-casing.
    EXPECT_EQ(sample.score(), 19);
    ASSERT_EQ(sample.shingles().size(), 1u);
    EXPECT_EQ(sample.shingles()[0]->shingle(), (Tokens{"caf\u00E9", "ok", "no"}));
}

}  // namespace
