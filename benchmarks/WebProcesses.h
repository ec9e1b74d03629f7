#pragma once
// Finding the web engine's processes that this benchmark process started, for memory figures.
#include <vector>

// The web processes below this one (children, or grandchildren inside the engine's sandbox).
std::vector<long> webProcesses();
