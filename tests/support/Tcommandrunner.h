#pragma once
// Runs a program with arguments and captures its standard output, standard error and status.

#include <string>
#include <vector>

struct TCommandResult {
    int Status = -1;
    std::string Output;
    std::string Errors;
};

TCommandResult RunCommand(const std::vector<std::string>& arguments);
