#pragma once
// The checks a comparison's options must pass before it runs, in the order the user is
// told about them: both roots existing directories, different roots, masks where switched on.

#include <optional>
#include <string>

#include "compare/Tcompareoptions.h"

enum class TOptionsField { SrcDir, DstDir, IncludeMasks, ExcludeMasks };

struct TOptionsProblem {
    TOptionsField Field;
    std::string Message;
};

std::optional<TOptionsProblem> CheckCompareOptions(const TCompareOptions& options);
