// Runs a program and writes its own peak resident set, in KiB, and its exit status to a file:
//   tikoleap-peak RESULT_FILE PROGRAM [ARGS...]
// A child started straight from a large process (posix_spawn shares the parent's memory until
// exec) reports the parent's peak as its own. Started from this small process instead, the
// program's figure is its own, whatever the size of whoever measures it.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tikoleap-peak RESULT_FILE PROGRAM [ARGS...]\n");
        return 2;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("tikoleap-peak: fork");
        return 2;
    }
    if (pid == 0) {
        execv(argv[2], argv + 2);
        std::perror("tikoleap-peak: exec");
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid) {
        std::perror("tikoleap-peak: wait");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror("tikoleap-peak: result file");
        return 2;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const bool written = std::fprintf(out, "%ld %d\n", usage.ru_maxrss, code) > 0;
    if (std::fclose(out) != 0 || !written) return 2;
    return code;
}
