// The game's own libraries opened at first use: found beside the platform library, and a missing
// one is a clear failure, said once, that later calls repeat without trying again.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/LazyModule.h"
#include "platform/foundation/ScopedLogSink.h"

TEST(LazyModule, OpensWhatLiesBesideThePlatformLibraryAndSaysOnceWhyAMissingOneCannot) {
    EXPECT_TRUE(std::filesystem::exists(platform::LazyModule::directory() + "/libtikoleap_platform.so"));
    platform::LazyModule media("libtikoleap-media.so");
    std::string error;
    EXPECT_TRUE(media.load(&error)) << error;

    platform::ScopedLogSink log;
    platform::LazyModule missing("libtikoleap-missing.so");
    EXPECT_FALSE(missing.load(&error));
    EXPECT_NE(error.find("cannot load libtikoleap-missing.so"), std::string::npos) << error;
    std::string again;
    EXPECT_FALSE(missing.load(&again));
    EXPECT_EQ(again, error);
    EXPECT_EQ(log.lines().size(), 1u);
}
