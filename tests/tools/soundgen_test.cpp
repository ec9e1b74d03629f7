#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/audio/AudioFile.h"

namespace {

struct Effect {
    const char* name;
    int rate;
    int pitch;  // +1 rises, -1 falls, 0 either
};

// Zero crossings per second over a quarter of the sound: a rough pitch.
double crossingRate(const std::vector<short>& s, size_t from, size_t to, int rate) {
    int n = 0;
    for (size_t i = from + 1; i < to; ++i) n += (s[i - 1] < 0) != (s[i] < 0);
    return n * static_cast<double>(rate) / static_cast<double>(to - from);
}

}  // namespace

TEST(GeneratedSounds, EveryEffectIsShortLoudUnclippedAndShapedAsNamed) {
    const Effect effects[] = {
        {"fall2", 44100, -1},   {"jump2", 44100, +1},      {"fly2_06_22k", 22050, 0},
        {"hit1", 44100, -1},    {"bom1", 44100, 0},        {"fire1_22k", 22050, -1},
        {"jump1_1", 44100, +1}, {"punyo1_22k", 22050, -1}, {"hanabi", 44100, 0},
    };
    for (const Effect& e : effects) {
        SCOPED_TRACE(e.name);
        int status = 0;
        auto file = platform::audio::AudioFile::open(
            TIKOLEAP_RESOURCES_DIR "/" + std::string(e.name) + ".wav", &status);
        ASSERT_TRUE(file) << status;
        EXPECT_EQ(file->channels(), 1);
        EXPECT_EQ(file->sampleRate(), e.rate);
        EXPECT_EQ(file->bitsPerSample(), 16);
        const double seconds = static_cast<double>(file->frames()) / e.rate;
        EXPECT_GE(seconds, 0.1);
        EXPECT_LE(seconds, 2.0);

        std::vector<short> s(static_cast<size_t>(file->frames()));
        ASSERT_EQ(file->read16(s.data(), file->frames()), file->frames());
        int peak = 0;
        for (short v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 0.6 * 32768);
        EXPECT_LT(peak, 0.9 * 32768) << "room left when several sound at once";
        EXPECT_EQ(std::abs(s.front()), 0) << "starts from silence, without a click";

        if (e.pitch != 0) {
            const size_t q = s.size() / 4;
            const double first = crossingRate(s, 0, q, e.rate);
            const double last = crossingRate(s, 3 * q, s.size(), e.rate);
            if (e.pitch > 0) {
                EXPECT_GT(last, 1.3 * first);
            } else {
                EXPECT_LT(last, 0.8 * first);
            }
        }
    }
}
