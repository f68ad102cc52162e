#pragma once
// Runs a program with arguments and captures its standard output, standard error and status.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

struct TCommandResult {
    int Status = -1;
    std::string Output;
    std::string Errors;
};

// With interruptAfter, the program is sent SIGINT after that time (as Ctrl+C would).
TCommandResult RunCommand(const std::vector<std::string>& arguments,
                          std::optional<std::chrono::milliseconds> interruptAfter = std::nullopt);

// Ctrl+C at a moment the test can see: SIGINT goes to the program as soon as Ready holds for
// its process id (asked every few milliseconds). A program still running HangGuard after
// that is killed and reported with status -1.
struct TInterruption {
    std::function<bool(pid_t)> Ready;
    std::chrono::milliseconds HangGuard;
};
TCommandResult RunCommand(const std::vector<std::string>& arguments, const TInterruption& interruption);
