#pragma once
// The reason behind a failure that the user is told of in the program's own words: kept for
// whoever looks at standard error, instead of being dropped at the catch.

#include <exception>
#include <string>
#include <string_view>

// The exception's message; "an unknown error" for one that carries none.
std::string FailureReason(const std::exception_ptr& error);

// Writes "vellumark: what: reason" as a line to standard error.
void ReportFailureReason(std::string_view what, std::string_view reason);
