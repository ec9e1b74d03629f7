#pragma once
// The component's version: the bare number ("sdk_version" for the native support page) and the
// text sent with reports and mediation pings ("js", "gw_sdkver"), both from the one number.
#define DZ_SDK_BARE_VERSION "7.5.2"
inline constexpr const char* kDZSDKBareVersion = DZ_SDK_BARE_VERSION;
inline constexpr const char* kDZSDKVersion = "zazo-sdk-i-v" DZ_SDK_BARE_VERSION;
