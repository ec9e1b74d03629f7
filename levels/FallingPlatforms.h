#pragma once

namespace JTApp::FallingPlatforms {

// The rules of platforms that drop away once bounced on, shared by every level played on them.
// Kinds 1 (a platform) and 3 (a spring platform) stand and can be landed on; a landing turns them
// into these, which fall and can no longer be landed on.
inline constexpr int kFallingPlatform = 2;
inline constexpr int kFallingSpringPlatform = 4;

bool isLandable(int kind);
bool isFalling(int kind);
// What a standing platform becomes once the hero has bounced on it.
int landedKind(int kind);
// The hero's bounce off a standing platform, for the jump speed at its height: a spring throws
// him twice as high.
float bounceSpeed(int kind, float jumpSpeed);
// Whether the next generated platform is a spring, for the current top of the climb. Springs
// only come past a height of 1000, one in 16; below it no random number is drawn at all.
bool nextIsSpring(int top);
int texture(int kind);

}  // namespace JTApp::FallingPlatforms
