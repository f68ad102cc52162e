#include "cli/Tjsonoutput.h"

#include <cstdio>

#include "sys/Utf8.h"

void AddOutputFormatOption(CLI::App& command, std::string& format)
{
    command.add_option("--format", format, "Write csv (the default) or json")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"csv", "json"}));
}

std::string JsonString(std::string_view text)
{
    std::string json = "\"";
    char escape[8];
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t next = Utf8::Next(text, at);
        const auto c = static_cast<unsigned char>(text[at]);
        if (next - at == 1 && c >= 0x80) {
            std::snprintf(escape, sizeof escape, "\\udc%02x", c);
            json += escape;
        } else if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            json += escape;
        } else {
            json.append(text.substr(at, next - at));
        }
        at = next;
    }
    return json + "\"";
}

namespace {
// A row only in the destination has no source file: null, not a path that names nothing.
std::string SourceJson(const TCompareItem& item, const TCompareRoots& roots)
{
    return item.SrcExists() ? JsonString(roots.SourcePath(item)) : std::string("null");
}
}  // namespace

TJsonListWriter::TJsonListWriter(TCompareRoots roots, TWrite write) : Roots(std::move(roots)), Write(std::move(write))
{
    Write("[");
}

void TJsonListWriter::Item(const TCompareItem& item)
{
    Write(std::string(First ? "\n" : ",\n") + "{\"source\":" + SourceJson(item, Roots) + ",\"destination\":" +
          JsonString(Roots.DestinationPath(item)) + ",\"result\":" + JsonString(ResultText(item.Result)) +
          ",\"sizeRemainder\":" + std::to_string(item.SizeRemainder) + ",\"timeRemainder\":" +
          std::to_string(item.TimeRemainder) + ",\"timeRemainderDays\":" + std::to_string(item.TimeRemainderDays()) +
          ",\"destinationExists\":" + (item.DstExists() ? "true" : "false") +
          (item.MovedFrom().empty() ? std::string()
                                    : ",\"movedFrom\":" + JsonString(Roots.DestinationPath(item.MovedFrom()))) +
          "}");
    First = false;
}

void TJsonListWriter::Finish() { Write("\n]\n"); }

TJsonLogWriter::TJsonLogWriter(std::string operation, TCompareRoots roots, TWrite write)
    : Operation(std::move(operation)), Roots(std::move(roots)), Write(std::move(write))
{
    Write("{\"operation\":" + JsonString(Operation) + ",\"items\":[");
}

void TJsonLogWriter::Result(const TCompareItem& item, const TTransferOutcome& outcome)
{
    const bool succeeded = outcome.Succeeded();
    ++(succeeded ? Succeeded : NotSucceeded);
    Write(std::string(First ? "\n" : ",\n") + "{\"source\":" + SourceJson(item, Roots) + ",\"destination\":" +
          JsonString(Roots.DestinationPath(item)) + ",\"succeeded\":" + (succeeded ? "true" : "false") +
          (succeeded ? std::string() : ",\"reason\":" + JsonString(ReasonText(outcome))) + "}");
    First = false;
}

void TJsonLogWriter::Finish(const std::string& status)
{
    Write("\n],\"status\":" + JsonString(status) + ",\"succeeded\":" + std::to_string(Succeeded) +
          ",\"notSucceeded\":" + std::to_string(NotSucceeded) + "}\n");
}
