#pragma once
// Runs a program with arguments and captures its standard output, standard error and status.

#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

struct TCommandResult {
    int Status = -1;
    std::string Output;
    std::string Errors;
};

TCommandResult RunCommand(const std::vector<std::string>& arguments);

// Ctrl+C at a moment the test can see: SIGINT (or the signal given) goes to the program as
// soon as Ready holds for its process id (asked every few milliseconds). A program still
// running HangGuard after that is killed and reported with status -1, as is one the signal
// ended.
struct TInterruption {
    std::function<bool(pid_t)> Ready;
    std::chrono::milliseconds HangGuard;
    int Signal = SIGINT;
};
TCommandResult RunCommand(const std::vector<std::string>& arguments, const TInterruption& interruption);
