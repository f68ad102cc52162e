#pragma once
// vellumark-cli's machine-readable output: the result list as a JSON array of one object per
// item, and the log of an operation as a JSON object whose "items" hold one object per item
// with its outcome and, where it did not succeed, the reason. Both are written as they come, one item to a line, like
// the CSV. File names are bytes: a byte that is not part of valid UTF-8 is written as the escape of a lone low
// surrogate, \udc80 to \udcff, as Python's "surrogateescape" reads it back.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareroots.h"
#include "sys/Ttransferoutcome.h"

// Adds --format csv|json to the command; format keeps the choice, "csv" unless given.
void AddOutputFormatOption(CLI::App& command, std::string& format);

// The text as a JSON string, quotes included.
std::string JsonString(std::string_view text);

// Writes the result list: "[", then one object per item, then "]". A row only in the destination
// has a null "source".
class TJsonListWriter {
public:
    using TWrite = std::function<void(const std::string& text)>;
    // The items' paths lie below roots.
    TJsonListWriter(TCompareRoots roots, TWrite write);
    void Item(const TCompareItem& item);
    void Finish();

private:
    const TCompareRoots Roots;
    TWrite Write;
    bool First = true;
};

// Writes the log of a run from the lines the operations report, given the item each result
// line belongs to.
class TJsonLogWriter {
public:
    using TWrite = std::function<void(const std::string& text)>;
    // The items' paths lie below roots.
    TJsonLogWriter(std::string operation, TCompareRoots roots, TWrite write);
    // The outcome of the item, with its reason where it did not succeed; then the status line.
    void Result(const TCompareItem& item, const TTransferOutcome& outcome);
    void Finish(const std::string& status);

private:
    std::string Operation;
    const TCompareRoots Roots;
    TWrite Write;
    bool First = true;
    std::int64_t Succeeded = 0;
    std::int64_t NotSucceeded = 0;
};
