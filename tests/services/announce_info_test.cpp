// The announcement list format: commands, overrides, numbers as text, bounds and bad items.
#include <gtest/gtest.h>

#include "platform/foundation/ScopedLogSink.h"
#include "platform/plist/PlistText.h"
#include "services/AnnounceInfo.h"
#include "services/AnnounceManager.h"
#include "services/DecimalText.h"

namespace {

platform::PlistArray parseText(const std::string& text) {
    platform::PlistNodePtr node = platform::parseTextPlist(text.data(), text.size());
    EXPECT_TRUE(node) << text;
    return node ? *platform::PlistArray::copyOf(node.get()) : platform::PlistArray();
}

bool parse(AnnounceInfo& info, const std::string& text) {
    return info.parse(parseText(text));
}

size_t linesWith(const platform::ScopedLogSink& log, const std::string& text) {
    size_t n = 0;
    for (const std::string& line : log.lines()) n += line.find(text) != std::string::npos;
    return n;
}

}  // namespace

TEST(AnnounceInfo, AnEmptyListKeepsTheDefaults) {
    AnnounceInfo info;
    ASSERT_TRUE(parse(info, "()"));
    EXPECT_EQ(info.fileUrlBase(), "./");
    EXPECT_EQ(info.checkIntervalAfterSuccess(), 0);
    EXPECT_EQ(info.checkIntervalAfterFailure(), 0);
    EXPECT_EQ(info.viewSize(), (platform::Size{0, 0}));
    EXPECT_TRUE(info.files().empty() && info.actions().empty() && info.uiitems().empty());
    EXPECT_TRUE(info.amProperties().empty());
    EXPECT_FALSE(info.popupAdInfo());
}

TEST(AnnounceInfo, CommandsFillTheirFieldsAndLaterItemsWin) {
    AnnounceInfo info;
    ASSERT_TRUE(parse(info, R"((
        (UB, "1", "2", img, act), (UI, "3.5", "4", img),
        (AU, act, "http://x/"), (AS, sheet, "T", ((a, act))), (AU, act, "http://y/"),
        (Fi, img, "a.png", "0000000a"), (Fi, img, "b.png", "0000000b"),
        (HFUr, "http://files/"), (HVSi, "320", "50.5"), (HCIt, "10", abc),
        (SetP, didazEnable, "3"), (SetP, didazEnable, ("not", "text")), (SetP, other, "1"),
        (PUAd, "", "7", "0", "Title", "Text", ()), (Zzz, "1")
    ))"));
    ASSERT_EQ(info.uiitems().size(), 2u);
    EXPECT_EQ(info.uiitems()[1].getString(0), "UI");
    EXPECT_EQ(AnnounceInfo::doubleAt(info.uiitems()[1], 1), 3.5);
    EXPECT_EQ(info.actions().size(), 2u);
    EXPECT_EQ(info.actions().at("act").getString(2), "http://y/");
    EXPECT_EQ(info.files().at("img").getString(2), "b.png");
    EXPECT_EQ(info.fileUrlBase(), "http://files/");
    EXPECT_EQ(info.viewSize(), (platform::Size{320, 50.5f}));
    EXPECT_EQ(info.checkIntervalAfterSuccess(), 10);
    EXPECT_EQ(info.checkIntervalAfterFailure(), 0);
    EXPECT_EQ(info.amProperties(), (std::map<std::string, std::string>{{"didazEnable", "3"}}));
    ASSERT_TRUE(info.popupAdInfo());
    EXPECT_EQ(info.popupAdInfo()->getString(2), "7");

    AnnounceInfo capped;
    ASSERT_TRUE(parse(capped, "((HCIt, \"2592001\", \"1e12\"), (HFUr, (\"no\")))"));
    EXPECT_EQ(capped.checkIntervalAfterSuccess(), AnnounceInfo::kMaxCheckInterval);
    EXPECT_EQ(capped.checkIntervalAfterFailure(), AnnounceInfo::kMaxCheckInterval);
    EXPECT_FALSE(capped.fileUrlBase());

    // Sizes and positions far beyond any screen are held to the largest one.
    AnnounceInfo huge;
    ASSERT_TRUE(parse(huge, "((HVSi, \"1e300\", \"-5\"), (UI, \"-1e300\", \"2\", k))"));
    EXPECT_EQ(huge.viewSize(), (platform::Size{100000, 0}));
    EXPECT_EQ(AnnounceInfo::pointsAt(huge.uiitems()[0], 1), -100000.0f);
}

TEST(AnnounceInfo, UnknownCommandsAndKeysAreDebugLinesAndSkipped) {
    platform::ScopedLogSink log(true);
    AnnounceInfo info;
    ASSERT_TRUE(parse(info, "((Zzz), (SetP, nope, \"1\"), (AU), (Fi, (k), x), (HPVe, Am1))"));
    EXPECT_EQ(linesWith(log, "Unknown item cmd: Zzz"), 1u);
    EXPECT_EQ(linesWith(log, "Unknown property key: nope"), 1u);
    EXPECT_EQ(linesWith(log, "Item without a key"), 2u);
    EXPECT_EQ(linesWith(log, "[] -[AnnounceInfo parse:]"), 4u);
    EXPECT_TRUE(info.amProperties().empty() && info.actions().empty() && info.files().empty());
}

TEST(AnnounceInfo, MalformedItemsAndWrongVersionsFailTheParseKeepingWhatCameBefore) {
    for (const char* bad :
         {"((UI, \"1\", \"2\", k), x)", "((UI, \"1\", \"2\", k), ())", "((UI, \"1\", \"2\", k), ((a)))",
          "((UI, \"1\", \"2\", k), (HPVe, Am2))", "((UI, \"1\", \"2\", k), (HPVe))"}) {
        SCOPED_TRACE(bad);
        AnnounceInfo info;
        EXPECT_FALSE(parse(info, bad));
        EXPECT_EQ(info.uiitems().size(), 1u);
    }
}

TEST(AnnounceInfo, FileNamesThatCouldLeaveTheCacheAreRefused) {
    for (const char* name : {"../x", "/etc/passwd", ".hidden", "a/b", "..", "x..y", ""}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(AnnounceInfo::isSafeFileName(name));
    }
    EXPECT_FALSE(AnnounceInfo::isSafeFileName(std::string("a\0b", 3)));
    EXPECT_FALSE(AnnounceInfo::isSafeFileName(std::string(AnnounceInfo::kMaxFileNameBytes + 1, 'a')));
    for (const char* name : {"banner.png", "a-b_c.1.png", "x"})
        EXPECT_TRUE(AnnounceInfo::isSafeFileName(name));

    platform::ScopedLogSink log;
    AnnounceInfo info;
    ASSERT_TRUE(parse(info, "((Fi, a, \"../x\", \"0\"), (Fi, b, \"ok.png\", \"0\"))"));
    EXPECT_EQ(info.files().count("a"), 0u);
    EXPECT_EQ(info.files().count("b"), 1u);
    EXPECT_EQ(linesWith(log, "Unsafe file name refused: a"), 1u);
}

TEST(AnnounceInfo, ListsBeyondTheBoundsAreRefusedWhole) {
    std::string many = "(";
    for (size_t i = 0; i <= AnnounceInfo::kMaxFiles; ++i)
        many += "(Fi, k" + std::to_string(i) + ", f, \"0\"),";
    AnnounceInfo files;
    EXPECT_FALSE(parse(files, many + ")"));
    std::string items = "(";
    for (size_t i = 0; i <= AnnounceInfo::kMaxItems; ++i) items += "(UI),";
    AnnounceInfo tooLong;
    EXPECT_FALSE(parse(tooLong, items + ")"));
    EXPECT_TRUE(tooLong.uiitems().empty());
}

TEST(AnnounceInfo, PropertyKeysAndNumbersAsTheServerWritesThem) {
    for (const char* key :
         {"didazEnable", "didazRefreshInterval", "didazBannerAdPublisherId", "didazInterstitialAdPublisherId",
          "didazInterstitialAdInterval", "didazInterstitialAdContextFlag"})
        EXPECT_TRUE(AnnounceManager::isValidAmPropertyKey(key));
    EXPECT_FALSE(AnnounceManager::isValidAmPropertyKey("didazenable"));
    EXPECT_FALSE(AnnounceManager::isValidAmPropertyKey(""));
    EXPECT_EQ(decimalDoubleValue(" 12.5s"), 12.5);
    EXPECT_EQ(decimalDoubleValue("abc"), 0);
    EXPECT_EQ(decimalDoubleValue("inf"), 0);
    EXPECT_EQ(decimalDoubleValue("nan"), 0);
    EXPECT_EQ(decimalDoubleValue("-3"), -3);
    EXPECT_EQ(decimalIntValue("99999999999"), INT32_MAX);
    EXPECT_EQ(decimalIntValue("-7x"), -7);
    EXPECT_EQ(decimalLongLongValue("4294967296"), 4294967296LL);
    EXPECT_EQ(decimalLongLongValue("-99999999999999999999"), INT64_MIN);
    platform::PlistArray fi = parseText("(Fi, k, \"a.png\", \"DEADbeef\")");
    AnnounceManager::FileCmd cmd = AnnounceManager::processFileCmd(fi);
    EXPECT_EQ(cmd.crc32, 0xdeadbeefu);
    EXPECT_EQ(cmd.cacheFilename, "a.png.deadbeef");
    EXPECT_EQ(AnnounceManager::processFileCmd(parseText("(Fi, k, \"a.png\")")).cacheFilename,
              "a.png.00000000");
    EXPECT_EQ(AnnounceManager::processFileCmd(parseText("(Fi, k, \"a.png\", \"0x1f54c79d\")")).crc32,
              0x1f54c79du);
    EXPECT_EQ(AnnounceManager::processFileCmd(parseText("(Fi, k, \"a.png\", \" 0X1F54C79D\")")).crc32,
              0x1f54c79du);
}
