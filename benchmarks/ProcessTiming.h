#pragma once
// Runs a program as the benchmarks measure it: output discarded, wall time and
// processor time (user + system, which a busy machine disturbs less) of the
// child. A program that cannot start or fails ends the benchmark.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

extern char** environ;

struct TTiming {
    double wall = 0;
    double cpu = 0;
};

inline double CpuSeconds(const rusage& u)
{
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Searches PATH for args[0]; standard error is kept unless quiet.
inline TTiming RunTimed(const std::vector<std::string>& args, char** env = environ, bool quiet = false)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env) != 0) {
        std::cerr << "cannot start " << args[0] << "\n";
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const TTiming t{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                    CpuSeconds(usage)};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << args[0] << " failed\n";
        std::exit(1);
    }
    return t;
}
