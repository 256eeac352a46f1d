#include "shell/TChildProcess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<std::string> ChildEnvironment(const TChildProcessRequest& request)
{
    std::vector<std::string> env;
    auto overridden = [&](const std::string& entry) {
        const std::string name = entry.substr(0, entry.find('='));
        for (const auto& [key, value] : request.setEnv)
            if (key == name)
                return true;
        for (const std::string& key : request.unsetEnv)
            if (key == name)
                return true;
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (!overridden(*e))
            env.emplace_back(*e);
    for (const auto& [key, value] : request.setEnv)
        env.push_back(key + "=" + value);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Reads both pipes until both are closed, so neither child stream can fill up.
void Drain(int outFd, int errFd, std::string& out, std::string& err)
{
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

TChildProcessResult RunChildProcess(const TChildProcessRequest& request)
{
    TChildProcessResult result;
    if (request.argv.empty()) {
        result.startErrno = EINVAL;
        return result;
    }
    std::vector<std::string> args = request.argv;
    std::vector<std::string> env = ChildEnvironment(request);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (request.discardOutput) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    } else {
        if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
            result.startErrno = errno;
            for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
                if (fd >= 0)
                    close(fd);
            posix_spawn_file_actions_destroy(&actions);
            return result;
        }
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    }

    pid_t pid = 0;
    const int rc = request.searchPath
        ? posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data())
        : posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (!request.discardOutput) {
        close(outPipe[1]);
        close(errPipe[1]);
    }
    if (rc != 0) {
        result.startErrno = rc;
        if (!request.discardOutput) {
            close(outPipe[0]);
            close(errPipe[0]);
        }
        return result;
    }
    result.started = true;
    if (!request.discardOutput)
        Drain(outPipe[0], errPipe[0], result.out, result.err);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}
