#pragma once
// The game's identity as its bundle information carries it. The Info.plist generator writes
// these values into the resources folder; the app core reads them back from there and falls
// back to these same values when the file lacks one.
namespace GameIdentity {

inline constexpr const char* kDisplayName = "TikoLeap";
inline constexpr const char* kBundleIdentifier = "net.corvane.iphone.TikoLeap";
inline constexpr const char* kCopyright = "Copyright (c) 2026 the Tiko Leap developers";
inline constexpr int kGameId = 1000;
inline constexpr const char* kWebSecretKey = "Rw8%kD3!qZ6&bN1x";
inline constexpr int kAccelerometerCalibrationType = 1;
// Under the reserved ".invalid" domain: nothing reaches a real server unless someone points the
// game at one (the Info.plist key or TIKOLEAP_WEB_URL).
inline constexpr const char* kWebBaseUrl = "http://tikoleap.invalid/iphone/";
// The scheme of the URLs that open into the app.
inline constexpr const char* kUrlScheme = "tikoleap";

// Info.plist keys of our own, beside the bundle's standard ones.
inline constexpr const char* kGameIdKey = "TikoLeapGameId";
inline constexpr const char* kWebSecretKeyKey = "TikoLeapWebSecretKey";
inline constexpr const char* kCalibrationTypeKey = "TikoLeapAccelerometerCalibrationType";
inline constexpr const char* kWebBaseUrlKey = "TikoLeapWebBaseURL";

}  // namespace GameIdentity
