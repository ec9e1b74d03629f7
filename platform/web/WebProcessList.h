#pragma once
// The engine's web processes that belong to a process: its children, or the processes a sandbox
// (bubblewrap, in a PID namespace of its own) puts between them. A web process ends itself when
// its host goes, except one that is stopped (a page halted at its memory limit): nothing in it
// runs to notice, so the host ends them all as it exits. Read from /proc, which lists every
// process of the machine's namespace, those inside a sandbox included.
#include <vector>

namespace platform::web {

class WebProcessList {
  public:
    // Process ids of the web processes under `pid`, in any state but a zombie's.
    static std::vector<int> of(int pid);
    // Kills (SIGKILL, which a stopped process takes too) every web process under this process.
    static void endOwn();
};

}  // namespace platform::web
