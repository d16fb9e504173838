// cpu_time: runs a command and prints the CPU time it used (user + system of
// the command and everything it waited for) and its wall time, in seconds with
// microsecond resolution. The command's own output goes to /dev/null.
//   cpu_time COMMAND [ARGS...]   ->   "<cpu seconds> <wall seconds> <exit status>"
// CPU time rather than wall time, because other work shares the machine.
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

void silenceOutput() {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0)
        return;
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: cpu_time COMMAND [ARGS...]\n");
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0)
        return 2;
    if (child == 0) {
        silenceOutput();
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) < 0)
        return 2;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%.6f %.6f %d\n", seconds(usage.ru_utime) + seconds(usage.ru_stime), wall, code);
    return 0;
}
