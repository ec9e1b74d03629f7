#include "levels/FallingPlatforms.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTMath.h"
#include "levels/VerticalLevel.h"

namespace JTApp::FallingPlatforms {

namespace {

constexpr int kSpringMinTop = 1000;
constexpr int kSpringOdds = 16;
enum Texture { kTextureRegular = 5, kTextureSpring = 6 };

bool isSpring(int kind) {
    return kind == VerticalLevel::kSpringPlatform || kind == kFallingSpringPlatform;
}

}  // namespace

bool isLandable(int kind) {
    return kind == VerticalLevel::kPlatform || kind == VerticalLevel::kSpringPlatform;
}

bool isFalling(int kind) {
    return kind == kFallingPlatform || kind == kFallingSpringPlatform;
}

int landedKind(int kind) {
    return isSpring(kind) ? kFallingSpringPlatform : kFallingPlatform;
}

float bounceSpeed(int kind, float jumpSpeed) {
    // The jump speed is at least 4, so a spring's bounce is at least 8.
    return isSpring(kind) ? 2 * jumpSpeed : jumpSpeed;
}

bool nextIsSpring(int top) {
    // Low down no random number is drawn, so the start of a game is as in the regular sequence.
    return top > kSpringMinTop && JTAppBase::randomInt(kSpringOdds) == 0;
}

int texture(int kind) {
    return isSpring(kind) ? kTextureSpring : kTextureRegular;
}

}  // namespace JTApp::FallingPlatforms
