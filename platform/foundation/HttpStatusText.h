#pragma once
// The platform's short, lower-case text for an HTTP status code ("not found" for 404), as its
// URL-loading layer gives it for messages; codes it does not know get the text of their class
// ("client error" for an unknown 4xx), and anything outside 100 to 599 gets "server error".
#include <string>

namespace platform {

std::string localizedStringForStatusCode(long statusCode);

}  // namespace platform
