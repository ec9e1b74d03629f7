#include "benchmarks/WebProcesses.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

// The web processes below this one (children, or grandchildren inside the engine's sandbox).
std::vector<long> webProcesses() {
    std::map<long, long> parent;
    std::vector<long> web;
    DIR* proc = opendir("/proc");
    if (!proc) return web;
    while (dirent* entry = readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!stat || !std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        std::string state;
        long ppid = 0;
        rest >> state >> ppid;
        const long pid = std::atol(entry->d_name);
        parent[pid] = ppid;
        if (line.find("(WebKitWebProces)") != std::string::npos && state != "Z") web.push_back(pid);
    }
    closedir(proc);
    std::vector<long> ours;
    for (long pid : web) {
        bool below = false;
        for (long up = parent[pid], hops = 0; up > 1 && hops < 4 && !below; up = parent[up], ++hops)
            below = up == getpid();
        if (below) ours.push_back(pid);
    }
    return ours;
}
