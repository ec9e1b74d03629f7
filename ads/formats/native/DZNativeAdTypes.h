#pragma once
// The native ad types an app may ask a loader for, the model each becomes, and the lookups from the
// server's "type" and "template_id" and from an app's type text.
#include <optional>
#include <string>

#include "platform/foundation/Error.h"

inline const std::string kDZAdLoaderContentAdType = "1";
inline const std::string kDZAdLoaderAppInstallAdType = "2";
inline const std::string kDZAdLoaderCustomTemplateAdType = "3";

// The model classes; the value is the template id the server gives each.
enum class DZNativeAdClass { kContent = 1, kAppInstall = 2, kCustomTemplate = 3 };

const char* DZNativeAdClassName(DZNativeAdClass adClass);
// The app's type text: "1" to "3". Otherwise nothing and, when asked, a public error (code 12).
std::optional<DZNativeAdClass> DZAdClassFromAdLoaderAdType(const std::string& adType,
                                                           platform::ErrorRef* error = nullptr);
// The server's format ("native") and template id. Otherwise nothing and, when asked, a private
// error (code 3).
std::optional<DZNativeAdClass> DZAdClassFromFormatAndTemplateID(const std::string& format, long templateID,
                                                                platform::ErrorRef* error = nullptr);
