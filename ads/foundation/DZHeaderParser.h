#pragma once
// How long a response may be kept in the connection's memory cache, worked out from its
// Pragma, Date, Cache-Control and Expires headers.
#include <optional>
#include <string_view>

#include "platform/http/HttpDate.h"
#include "platform/http/HttpMessage.h"

// The date until which the response may be cached, or nothing. now is the local clock.
std::optional<platform::SystemTime> dz_expirationDate(const platform::HttpResponse& response,
                                                      platform::SystemTime now);
std::optional<platform::SystemTime> dz_expirationDate(const platform::HttpResponse& response);

// A date in any of the three forms servers send (RFC 1123, RFC 850, asctime), in GMT.
std::optional<platform::SystemTime> dz_dateFromHttpDateString(std::string_view text);
