// Any bytes as an ID token of the sign-in library and as the token endpoint's answer: the claims
// read must come from a three-part token, an access token read must be a bounded non-empty text,
// and "expires_in" a finite number. Nothing may crash, hang or leak.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ads/formats/signin/DZIDToken.h"
#include "ads/formats/signin/DZTokenService.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (DZIDToken::claims(text)) {
        std::size_t dots = 0;
        for (char c : text) dots += c == '.';
        if (dots != 2 || size > DZIDToken::kMaxBytes) std::abort();
    }
    if (const auto answer = DZTokenService::readAnswer(text)) {
        if (answer->accessToken.empty() || answer->accessToken.size() > DZTokenService::kMaxTokenBytes)
            std::abort();
        if (answer->expiresIn && !std::isfinite(*answer->expiresIn)) std::abort();
    }
    return 0;
}
