#pragma once
// Whether the ad server takes connections at all, asked before a command that loads ads from it:
// with the server down such a command would run to its time-out and print a line that reads like
// a run in which no ad came.
#include <string>

// "" when a connection to the server of baseURL (http or https) could be made within `seconds`,
// else why not.
std::string adServerUnreachable(const std::string& baseURL, double seconds);
