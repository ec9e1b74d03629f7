#pragma once
// The ad server named by TIKOLEAP_AD_SERVER, read in this one place: the request core takes it as
// its server, and the crash and latency reports default to it (unless their own variables are set).
#include <optional>
#include <string>

// The value when it is an http or https URL with a host; nothing otherwise. Says nothing: the
// caller names where the value came from.
std::optional<std::string> dz_adServerURLFromValue(const char* value);
// The environment's value as it is now (one that is set but unusable is logged as a warning).
std::optional<std::string> dz_adServerOverride();
