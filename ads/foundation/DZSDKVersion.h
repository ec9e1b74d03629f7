#pragma once
// The component's version text, sent with reports and mediation pings ("js", "gw_sdkver").
inline constexpr const char* kDZSDKVersion = "zazo-sdk-i-v7.5.2";
