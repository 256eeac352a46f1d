#pragma once
// Runs a program as the benchmarks measure it: output discarded (or kept in a
// file), wall time, processor time (user + system, which a busy machine
// disturbs less) and peak memory of the child. RunTimed ends the benchmark
// when the program cannot start or fails; TryRunTimed reports it instead.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

struct TTiming {
    double wall = 0;
    double cpu = 0;
    long peakKiB = 0;  // as wait4 gives it: never below the spawning process's own peak
};

inline double CpuSeconds(const rusage& u)
{
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Searches PATH for args[0]; standard output goes to `output`, standard error
// is kept unless quiet. Says on standard error why it returns nothing.
inline std::optional<TTiming> TryRunTimed(const std::vector<std::string>& args, char** env = environ,
                                          bool quiet = false, const std::string& output = "/dev/null")
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::cerr << "cannot start " << args[0] << "\n";
        return std::nullopt;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const TTiming t{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                    CpuSeconds(usage), usage.ru_maxrss};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << args[0] << " failed\n";
        return std::nullopt;
    }
    return t;
}

inline TTiming RunTimed(const std::vector<std::string>& args, char** env = environ, bool quiet = false)
{
    const std::optional<TTiming> t = TryRunTimed(args, env, quiet);
    if (!t)
        std::exit(1);
    return *t;
}
