#include "support/Unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace tikoleap::test {

namespace {
constexpr uid_t kNobody = 65534;
}

int runUnprivileged(const std::filesystem::path& ownedFolder, const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return 250;
    if (child == 0) {
        if (::geteuid() == 0) {
            if (::chown(ownedFolder.c_str(), kNobody, kNobody) != 0 || ::setgroups(0, nullptr) != 0 ||
                ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(251);
            }
        }
        const int code = body();
        std::fflush(nullptr);
        ::_exit(code);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return 252;
    if (::geteuid() == 0) (void)::chown(ownedFolder.c_str(), 0, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 253;
}

}  // namespace tikoleap::test
