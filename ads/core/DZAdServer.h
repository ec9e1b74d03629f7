#pragma once
// Where the ad server is: TIKOLEAP_AD_SERVER (http or https), else a host that resolves nowhere,
// so nothing leaves the machine unless a server is named.
#include <optional>
#include <string>

inline constexpr const char* kDZDefaultAdServer = "https://rerive-ads.invalid/";

// The base URL a value of TIKOLEAP_AD_SERVER stands for: the value when it is an http or https
// URL, else the default (a value that is set but unusable is logged as a warning).
std::string DZAdServerBaseURLFromValue(const char* value);
// The process's base URL (the environment is read once, by the foundation).
std::string DZAdServerBaseURL();
// The host of that base URL: the built-in ad-request host.
std::string DZAdServerHost();
// base joined with a path that begins with "/".
std::string DZAdServerURL(const std::string& path);
// The mediation reports' default templates on the server (for a response that names none); their
// @-quoted keywords are filled by DZMUtilities::mediationURLFrom.
std::string DZMediationClickURLTemplate();
std::string DZMediationImpressionURLTemplate();
std::string DZMediationNoFillURLTemplate();
