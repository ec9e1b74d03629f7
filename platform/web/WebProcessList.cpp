#include "platform/web/WebProcessList.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace platform::web {

namespace {

// The engine names its web processes so; the kernel keeps 15 characters of a name.
constexpr const char* kWebProcessName = "WebKitWebProces";
// The sandbox's launcher and the init of its namespace stand between the host and its web
// process; one more hop leaves room for the engine's own launcher.
constexpr int kMostHops = 4;

}  // namespace

std::vector<int> WebProcessList::of(int pid) {
    std::map<int, int> parent;
    std::vector<int> web;
    DIR* proc = opendir("/proc");
    if (!proc) return web;
    while (dirent* entry = readdir(proc)) {
        const int id = std::atoi(entry->d_name);
        if (id <= 0) continue;
        FILE* stat = std::fopen(("/proc/" + std::string(entry->d_name) + "/stat").c_str(), "re");
        if (!stat) continue;
        char line[512];
        const bool read = std::fgets(line, sizeof line, stat) != nullptr;
        std::fclose(stat);
        if (!read) continue;
        // pid (name) state ppid ...: the name may hold spaces and parentheses, so the fields
        // are read after the last ')'.
        const std::string text(line);
        const auto open = text.find('(');
        const auto close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &ppid) != 2) continue;
        parent[id] = ppid;
        if (state != 'Z' && text.substr(open + 1, close - open - 1).rfind(kWebProcessName, 0) == 0)
            web.push_back(id);
    }
    closedir(proc);
    std::erase_if(web, [&](int id) {
        for (int up = parent[id], hops = 0; up > 1 && hops < kMostHops; up = parent[up], ++hops) {
            if (up == pid) return false;
        }
        return true;
    });
    return web;
}

void WebProcessList::endOwn() {
    for (int id : of(getpid())) kill(id, SIGKILL);
}

}  // namespace platform::web
