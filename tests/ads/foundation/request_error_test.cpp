// The public error's codes, texts and user information, and the private error domain.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/DZInternalErrorAdditions.h"
#include "ads/foundation/DZRequestError.h"

using platform::Error;

namespace {

std::vector<std::string> keysOf(const Error& e) {
    std::vector<std::string> keys;
    for (const auto& [k, v] : *e.userInfo()) keys.push_back(k);
    return keys;
}

}  // namespace

TEST(DZRequestError, EachCodeHasItsTextAndUnknownCodesTakeCodeZerosText) {
    const std::vector<std::string> texts = {
        "Request Error: Invalid ad request parameter(s). Check the console for details.",
        "Request Error: No ad to show.",
        "Request Error: A network error occurred.",
        "Request Error: Server error processing the request.",
        "Request Error: This device's OS is 8.0. It is below the minimum of 6.0.",
        "Request Error: The Rerive Ad request was unable to be fulfilled before a timeout occurred.",
        "Request Error: Will not send request because interstitial object has been used.",
        "Request Error: The mediation response was invalid.",
        "Request Error: Cannot find an ad network adapter for mediation.",
        "Request Error: No ad to show from all configured ad networks.",
        "Request Error: Incompatible ad type requested.",
        "Request Error: Internal error.",
        "Request Error: Invalid argument.",
        "Request Error: Received invalid response.",
    };
    for (int32_t code = 0; code < 14; ++code) {
        auto e = DZRequestError::errorWithCode(code);
        EXPECT_EQ(e->domain(), "com.rerive.ads");
        EXPECT_EQ(e->code(), code);
        EXPECT_EQ(e->localizedDescription(), texts[code]);
        EXPECT_EQ(e->userInfoString(Error::kLocalizedFailureReasonErrorKey), texts[code]);
    }
    for (int32_t code : {42, -1, 14}) {
        auto e = DZRequestError::errorWithCode(code);
        EXPECT_EQ(e->code(), code);
        EXPECT_EQ(e->localizedDescription(), texts[0]);
    }
}

TEST(DZRequestError, ACustomMessageStandsAloneForEveryCode) {
    auto e = DZRequestError::errorWithCodeCustomMessage(kDZErrorNoFill, "x");
    EXPECT_EQ(e->localizedDescription(), "x");
    EXPECT_EQ(e->userInfoString(Error::kLocalizedFailureReasonErrorKey), "x");
    EXPECT_EQ(keysOf(*e), (std::vector<std::string>{Error::kLocalizedDescriptionKey,
                                                    Error::kLocalizedFailureReasonErrorKey}));
}

TEST(DZRequestError, RequestParametersOnlyForCodeZeroAndHttpStatusOnlyWhenPositive) {
    const nlohmann::json params = {{"a", "b"}, {"n", 3}};
    auto invalid = DZRequestError::errorWithCodeRequestHTTPStatusCode(kDZErrorInvalidRequest, params, 404);
    EXPECT_EQ(invalid->userInfoString("a"), "b");
    EXPECT_EQ(invalid->userInfoString(DZRequestError::kHttpStatusKey), "HTTP status 404: not found");
    EXPECT_EQ(keysOf(*invalid),
              (std::vector<std::string>{Error::kLocalizedDescriptionKey,
                                        Error::kLocalizedFailureReasonErrorKey, "a", "n", "HttpStatus"}));

    auto noFill = DZRequestError::errorWithCodeRequest(kDZErrorNoFill, params);
    EXPECT_EQ(noFill->userInfoValue("a"), nullptr);
    for (long status : {0L, -5L}) {
        auto e = DZRequestError::errorWithCodeRequestHTTPStatusCode(kDZErrorServerError, nullptr, status);
        EXPECT_EQ(e->userInfoValue(DZRequestError::kHttpStatusKey), nullptr);
    }
    auto unknown = DZRequestError::errorWithCodeRequestHTTPStatusCode(kDZErrorServerError, nullptr, 599);
    EXPECT_EQ(unknown->userInfoString(DZRequestError::kHttpStatusKey), "HTTP status 599: server error");
}

TEST(DZRequestError, UnderlyingErrorsAreKeptAndGiveTheirDescription) {
    auto cause = dz_errorWithCode(kDZInternalErrorFileNotReadable, "File could not be read.");
    auto e = DZRequestError::errorWithCodeUnderlyingError(kDZErrorNetworkError, cause);
    EXPECT_EQ(e->localizedDescription(), "File could not be read.");
    EXPECT_EQ(e->underlyingError(), cause);
    auto full = DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessageUnderlyingError(
        kDZErrorInvalidRequest, {{"k", "v"}}, 500, "m", cause);
    EXPECT_EQ(keysOf(*full), (std::vector<std::string>{Error::kLocalizedDescriptionKey,
                                                       Error::kLocalizedFailureReasonErrorKey,
                                                       Error::kUnderlyingErrorKey, "k", "HttpStatus"}));
}

TEST(DZRequestError, AForeignErrorArrivesAsAnInternalErrorAndPlainCopiesKeepEverything) {
    Error::UserInfo info;
    Error::setValue(info, "why", nlohmann::json("disk"));
    auto e = DZRequestError::initWithDomainCodeUserInfo("other.domain", 77, info);
    EXPECT_EQ(e->domain(), "com.rerive.ads");
    EXPECT_EQ(e->code(), kDZErrorInternalError);
    EXPECT_EQ(e->localizedDescription(), "Request Error: Internal error.");
    ASSERT_NE(e->underlyingError(), nullptr);
    EXPECT_EQ(e->underlyingError()->domain(), "other.domain");
    EXPECT_EQ(e->underlyingError()->code(), 77);
    EXPECT_EQ(e->underlyingError()->userInfoString("why"), "disk");

    auto plain = e->error();
    EXPECT_EQ(dynamic_cast<const DZRequestError*>(plain.get()), nullptr);
    EXPECT_EQ(plain->domain(), e->domain());
    EXPECT_EQ(plain->code(), e->code());
    EXPECT_EQ(keysOf(*plain), keysOf(*e));
}

TEST(DZInternalErrors, DescriptionsAndUserInformation) {
    auto bare = dz_errorWithCode(2, std::nullopt);
    EXPECT_EQ(bare->domain(), "com.rerive.ads.private");
    EXPECT_FALSE(bare->userInfo().has_value());
    auto described = dz_errorWithDomain("d", 9, "text");
    EXPECT_EQ(described->userInfoString(Error::kLocalizedDescriptionKey), "text");
    EXPECT_EQ(described->userInfoString(Error::kLocalizedFailureReasonErrorKey), "text");
    EXPECT_EQ(dz_localizedDescriptionForErrorCode(1), "File could not be read.");
    EXPECT_EQ(dz_localizedDescriptionForErrorCode(2), "Internal error.");
    EXPECT_EQ(dz_localizedDescriptionForErrorCode(3), "Invalid argument.");
    EXPECT_FALSE(dz_localizedDescriptionForErrorCode(0));
    EXPECT_FALSE(dz_localizedDescriptionForErrorCode(4));
}
