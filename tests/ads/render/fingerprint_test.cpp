// The page-content fingerprint: tokens, shingle hashes, the kept heap, the score and the
// character sets that the user defaults can replace.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ads/render/DZCharacterSets.h"
#include "ads/render/DZContent.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/UserDefaults.h"
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
}  // namespace
