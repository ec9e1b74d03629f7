#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "appbase/LogMessage.h"
#include "shell/Crc32.h"

TEST(Crc32, CheckValueAndEmptyInputs) {
    EXPECT_EQ(Crc32OfCString("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32OfBytes("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32OfCString(""), 0u);
    EXPECT_EQ(Crc32OfCString(nullptr), 0u);
    EXPECT_EQ(Crc32OfBytes("abc", 0), 0u);
    EXPECT_EQ(Crc32OfBytes(nullptr, 5), 0u);
    // Bytes after the terminator do not count; embedded bytes of a range do.
    EXPECT_EQ(Crc32OfCString("1234\0"
                             "56789"),
              Crc32OfBytes("1234", 4));
    EXPECT_NE(Crc32OfBytes("1234\0"
                           "5",
                           6),
              Crc32OfBytes("1234", 4));
}

TEST(Crc32, AgreesWithABitwiseReferenceOnAllByteValues) {
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    EXPECT_EQ(Crc32OfBytes(bytes.data(), bytes.size()), ~crc);
}

TEST(Crc32, AgreesWithPythonsZlib) {
    FILE* pipe =
        ::popen("python3 -c 'import zlib; print(zlib.crc32(bytes(range(256)) * 3))' 2>/dev/null", "r");
    ASSERT_NE(pipe, nullptr);
    char line[64] = {};
    const bool gotLine = std::fgets(line, sizeof line, pipe) != nullptr;
    if (::pclose(pipe) != 0 || !gotLine) GTEST_SKIP() << "python3 not available";
    std::vector<uint8_t> bytes;
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<uint8_t>(i));
    EXPECT_EQ(Crc32OfBytes(bytes.data(), bytes.size()), std::stoul(line));
}

TEST(LogMessageLines, FollowTheLabelAndTextRules) {
    platform::ScopedLogSink log;
    LogMessage("loadSettings", 1, "write settings: /x");  // debug: silent
    LogMessage("name", 3, "");
    LogMessage("name", 3);
    LogMessage("didLoadSettings", 4, "arid generation failure");
    LogMessage("start", 2, "two\nlines");
    LogMessage("odd", 0, "text");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"[WARN] name", "[WARN] name",
                                                     "[ERROR] didLoadSettings\narid generation failure",
                                                     "[INFO] start\ntwo\\nlines", "[] odd\ntext"}));
}
