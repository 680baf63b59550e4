#pragma once
// Runs one measured piece of work in a child process, so its wall time, CPU time (every thread,
// user + system) and peak memory are its own and not those of earlier runs.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace orvel::bench {

struct ChildSample {
    double seconds = 0;
    double cpuSeconds = 0; // less moved by other load on the machine than the wall time
    long maxRssKb = 0;
    bool ok = false; // the child ended with status 0
};

// work() runs in the child and returns its exit status.
template <class Work> ChildSample RunInChild(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) _exit(work());
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ChildSample s;
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.maxRssKb = usage.ru_maxrss;
    s.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    s.ok = pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return s;
}

} // namespace orvel::bench
