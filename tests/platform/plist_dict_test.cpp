#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/plist/PlistDict.h"

using platform::PlistArray;
using platform::PlistDate;
using platform::PlistDict;
using platform::PlistType;

namespace {

PlistDict sample() {
    PlistDict d;
    d.setString("name", "Mr.Tiko é");
    d.setInt("score", -42);
    d.setInt("big", std::numeric_limits<int64_t>::max());
    d.setReal("ratio", 0.25);
    d.setBool("on", true);
    d.setData("bytes", std::vector<uint8_t>{0, 1, 0xFE, 0xFF});
    d.setDate("when", PlistDate(std::chrono::seconds(1700000000)) + std::chrono::microseconds(250000));
    PlistArray list;
    list.appendInt(7);
    list.appendString("seven");
    PlistDict inner;
    inner.setInt("depth", 2);
    list.appendDict(inner);
    d.setArray("list", list);
    d.setDict("inner", inner);
    return d;
}

}  // namespace

TEST(PlistDictValues, TypedReadsGiveStoredValuesAndNothingForOtherTypes) {
    const PlistDict d = sample();
    EXPECT_EQ(d.getString("name"), "Mr.Tiko é");
    EXPECT_EQ(d.getInt("score"), -42);
    EXPECT_EQ(d.getInt("big"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(d.getReal("ratio"), 0.25);
    EXPECT_EQ(d.getBool("on"), true);
    EXPECT_EQ(d.getData("bytes"), (std::vector<uint8_t>{0, 1, 0xFE, 0xFF}));
    EXPECT_EQ(d.getDate("when")->time_since_epoch().count(), 1700000000250000);

    // Wrong type or absent key: nothing, never a converted value.
    EXPECT_FALSE(d.getInt("name"));
    EXPECT_FALSE(d.getString("score"));
    EXPECT_FALSE(d.getReal("score"));
    EXPECT_FALSE(d.getBool("score"));
    EXPECT_FALSE(d.getDict("list"));
    EXPECT_FALSE(d.getArray("inner"));
    EXPECT_FALSE(d.getData("name"));
    EXPECT_FALSE(d.getDate("score"));
    EXPECT_FALSE(d.getString("absent"));
    EXPECT_EQ(d.typeOf("absent"), PlistType::None);
    EXPECT_EQ(d.typeOf("list"), PlistType::Array);
}

TEST(PlistDictValues, NumbersCoverIntegersRealsAndBooleans) {
    PlistDict d;
    d.setInt("i", -7);
    d.setReal("r", -3.9);
    d.setBool("b", true);
    d.setReal("huge", 1e300);
    d.setReal("nan", std::nan(""));
    d.setString("s", "5");
    EXPECT_EQ(d.getNumber("i"), -7.0);
    EXPECT_EQ(d.getNumber("r"), -3.9);
    EXPECT_EQ(d.getNumber("b"), 1.0);
    EXPECT_EQ(d.getNumberAsInt("r"), -3);
    EXPECT_EQ(d.getNumberAsInt("b"), 1);
    EXPECT_EQ(d.getNumberAsInt("huge"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(d.getNumberAsInt("nan"), 0);
    EXPECT_FALSE(d.getNumber("s"));
    EXPECT_FALSE(d.getNumberAsInt("s"));
}

TEST(PlistDictValues, NestedContainersAreCopiesAndEditsDoNotLeakBack) {
    PlistDict d = sample();
    std::optional<PlistArray> list = d.getArray("list");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ(list->getInt(0), 7);
    EXPECT_EQ(list->getString(1), "seven");
    EXPECT_EQ(list->getDict(2)->getInt("depth"), 2);
    EXPECT_FALSE(list->getInt(1));
    EXPECT_FALSE(list->getInt(3));
    EXPECT_EQ(list->typeAt(99), PlistType::None);
    list->removeAt(0);
    list->removeAt(99);
    EXPECT_EQ(list->size(), 2u);
    EXPECT_EQ(d.getArray("list")->size(), 3u);

    PlistDict copy = d;
    copy.setInt("score", 1);
    copy.remove("name");
    EXPECT_EQ(d.getInt("score"), -42);
    EXPECT_TRUE(d.contains("name"));
    EXPECT_EQ(copy.size(), d.size() - 1);
}

TEST(PlistDictValues, MovedFromAndClearedDictionariesStayUsable) {
    PlistDict a = sample();
    PlistDict b = std::move(a);
    EXPECT_EQ(a.size(), 0u);  // NOLINT(bugprone-use-after-move): documented as empty
    EXPECT_FALSE(a.getInt("score"));
    EXPECT_TRUE(a.keys().empty());
    a.setInt("again", 1);
    EXPECT_EQ(a.getInt("again"), 1);
    PlistDict moved = std::move(b);
    EXPECT_FALSE(b.toBinary().empty());  // an empty dictionary still serialises
    moved.clear();
    EXPECT_TRUE(moved.empty());
    moved.setString("k", "v");
    EXPECT_EQ(moved.keys(), std::vector<std::string>{"k"});
    const PlistDict& alias = moved;
    moved = alias;  // self-assignment keeps the contents
    EXPECT_EQ(moved.getString("k"), "v");
}

TEST(PlistDictValues, SettingAnExistingKeyReplacesItsValue) {
    PlistDict d;
    d.setInt("k", 1);
    d.setString("k", "now text");
    EXPECT_EQ(d.size(), 1u);
    EXPECT_EQ(d.getString("k"), "now text");
    EXPECT_FALSE(d.getInt("k"));
}

TEST(PlistDictSerialisation, BinaryAndXmlRoundTripKeepEveryValue) {
    const PlistDict d = sample();
    for (const bool binary : {true, false}) {
        std::vector<uint8_t> bytes;
        if (binary) {
            bytes = d.toBinary();
            ASSERT_GE(bytes.size(), 8u);
            EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "bplist00");
        } else {
            const std::string xml = d.toXml();
            bytes.assign(xml.begin(), xml.end());
        }
        const std::optional<PlistDict> back = PlistDict::parse(bytes.data(), bytes.size());
        ASSERT_TRUE(back) << (binary ? "binary" : "xml");
        EXPECT_EQ(back->getString("name"), "Mr.Tiko é");
        EXPECT_EQ(back->getInt("score"), -42);
        EXPECT_EQ(back->getInt("big"), std::numeric_limits<int64_t>::max());
        EXPECT_EQ(back->getReal("ratio"), 0.25);
        EXPECT_EQ(back->getBool("on"), true);
        EXPECT_EQ(back->getData("bytes"), (std::vector<uint8_t>{0, 1, 0xFE, 0xFF}));
        EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(*back->getDate("when")).time_since_epoch().count(),
                  1700000000);
        EXPECT_EQ(back->getArray("list")->getDict(2)->getInt("depth"), 2);
        EXPECT_EQ(back->getDict("inner")->getInt("depth"), 2);
    }
}

TEST(PlistDictSerialisation, ParseRefusesNonDictionaryRootsAndGarbage) {
    // An XML list whose root is an array.
    const std::string arrayXml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array><integer>1</integer>"
        "</array></plist>\n";
    EXPECT_FALSE(PlistDict::parse(arrayXml.data(), arrayXml.size()));
    const std::string garbage = "this is not a property list at all";
    EXPECT_FALSE(PlistDict::parse(garbage.data(), garbage.size()));
    EXPECT_FALSE(PlistDict::parse(nullptr, 0));
    EXPECT_FALSE(PlistDict::parse("bplist00", 8));
}

TEST(PlistDictSerialisation, EveryTruncationOfABinaryListIsRefusedWithoutCrashing) {
    const std::vector<uint8_t> bytes = sample().toBinary();
    for (size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(PlistDict::parse(bytes.data(), n)) << "prefix of " << n << " bytes";
    }
    // Single corrupted bytes either parse to something typed or are refused; never a crash.
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::vector<uint8_t> damaged = bytes;
        damaged[i] ^= 0xFF;
        if (auto d = PlistDict::parse(damaged.data(), damaged.size())) {
            (void)d->getString("name");
            (void)d->getArray("list");
            (void)d->toBinary();
        }
    }
}

TEST(PlistDates, ConvertAcrossTheReferenceDateAndClampToTheFormatRange) {
    PlistDict d;
    const PlistDate reference(std::chrono::seconds(978307200));
    d.setDate("ref", reference);
    d.setDate("before", reference - std::chrono::microseconds(1500000));
    d.setDate("far", PlistDate(std::chrono::seconds(int64_t{1} << 40)));
    EXPECT_EQ(d.getDate("ref"), reference);
    EXPECT_EQ(d.getDate("before"), reference - std::chrono::microseconds(1500000));
    // Beyond the 32-bit seconds the format holds: the latest date it can express.
    EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(*d.getDate("far")).time_since_epoch().count(),
              978307200 + int64_t{std::numeric_limits<int32_t>::max()});
}
