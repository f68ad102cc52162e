#pragma once
// The system's words for an error number, for the reason of a failed step.

#include <string>

// Safe on any thread; "error N" for a number the system has no words for.
std::string ErrorNumberText(int error);
