#include "sys/Failurereason.h"

#include <cstdio>
#include <string>

std::string FailureReason(const std::exception_ptr& error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
    }
    return "an unknown error";
}

void ReportFailureReason(std::string_view what, std::string_view reason)
{
    const std::string line = "vellumark: " + std::string(what) + ": " + std::string(reason) + "\n";
    std::fputs(line.c_str(), stderr);
}
