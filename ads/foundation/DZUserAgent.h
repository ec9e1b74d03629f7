#pragma once
// The user agent of the component's own requests: the one the ad web views use, recorded by the
// device facts once the web view has made its first request. Until one is recorded it is empty
// and the HTTP layer sends its own. Safe from any thread.
#include <string>

std::string dz_userAgentString();
void dz_setUserAgentString(std::string userAgent);
