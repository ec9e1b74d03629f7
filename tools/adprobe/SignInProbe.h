#pragma once
// The probe's signin command: a banner slot loads a unit once while the signed-in token dispenser
// (with a sign-in library of our own when asked, and tracking allowed when asked) gets its token.
#include <string>

#include <nlohmann/json.hpp>

namespace platform {
class ManualRunLoop;
}

struct SignInProbeOptions {
    std::string unit;
    bool fakeSignIn = false;
    bool allowTracking = false;
    double timeoutSeconds = 30;
};

// Before launching finishes: the sign-in library and the shared dispenser the options ask for.
void prepareSignIn(const SignInProbeOptions& options);
// {"token": the dispenser's token | null, "requestParameters": the slot's next request's}.
nlohmann::json runSignIn(const SignInProbeOptions& options, platform::ManualRunLoop& loop);
