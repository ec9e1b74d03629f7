#pragma once
// The requests the component sends: a GET, or a POST when both a body and its content type are
// given, always with the device's user agent (the ad web views' own).
#include <map>
#include <optional>
#include <string>

#include "platform/http/HttpMessage.h"

// Nothing for a missing URL. A body without a content type is dropped (the request stays a GET).
std::optional<platform::HttpRequest> dz_requestForURL(
    const std::optional<std::string>& url, const std::optional<std::string>& data,
    const std::optional<std::map<std::string, std::string>>& headers, const std::optional<std::string>& type);
