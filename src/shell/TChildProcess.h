#pragma once

#include <string>
#include <utility>
#include <vector>

// Starts another program, waits for it and collects what it printed. Used by
// the association launcher, by velmora for the desktop database tools, and by
// tests that drive the real programs.

struct TChildProcessRequest {
    std::vector<std::string> argv;  // argv[0] is the program
    bool searchPath = false;        // look argv[0] up in PATH when it has no "/"
    // Variables set, and variables removed, for the child.
    std::vector<std::pair<std::string, std::string>> setEnv;
    std::vector<std::string> unsetEnv;
    bool discardOutput = false;     // send both streams to /dev/null instead
};

struct TChildProcessResult {
    bool started = false;
    int startErrno = 0;   // why it could not start
    int exitStatus = -1;  // 128 + signal number when a signal ended it
    std::string out;
    std::string err;

    bool Succeeded() const { return started && exitStatus == 0; }
};

// Never throws for a program that cannot start: `started` tells.
TChildProcessResult RunChildProcess(const TChildProcessRequest& request);
