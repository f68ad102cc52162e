#pragma once
// Runs a program with arguments and captures its standard output, standard error and status.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct TCommandResult {
    int Status = -1;
    std::string Output;
    std::string Errors;
};

// With interruptAfter, the program is sent SIGINT after that time (as Ctrl+C would).
TCommandResult RunCommand(const std::vector<std::string>& arguments,
                          std::optional<std::chrono::milliseconds> interruptAfter = std::nullopt);
