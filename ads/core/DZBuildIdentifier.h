#pragma once
// The identifier of this build: 40 lower-case hex digits, written when the build runs.
extern const char* const kDZBuildIdentifier;
