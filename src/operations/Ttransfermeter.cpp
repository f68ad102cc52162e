#include "operations/Ttransfermeter.h"

#include <cmath>
#include <cstdio>

#include "sys/Mysysutils.h"

namespace {
// Below this, a rate says more about the start than about the run.
constexpr double MeasuredSeconds = 0.5;

std::string TimeText(double seconds)
{
    const auto whole = static_cast<std::int64_t>(std::llround(seconds));
    char text[48];
    if (whole < 60)
        std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(whole));
    else if (whole < 3600)
        std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(whole / 60),
                      static_cast<long long>(whole % 60));
    else
        std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(whole / 3600),
                      static_cast<long long>(whole % 3600 / 60));
    return text;
}
}  // namespace

std::string TTransferMeter::PlanText(std::int64_t items, std::int64_t bytes)
{
    return GroupDigits(std::to_string(items)) + (items == 1 ? " item, " : " items, ") + SizeText(bytes);
}

void TTransferMeter::Start(std::int64_t items, std::int64_t bytes, TClock::time_point now)
{
    *this = TTransferMeter();
    Items = items;
    Bytes = bytes;
    Started = now;
}

void TTransferMeter::Sample(std::int64_t itemsDone, std::int64_t bytesDone, TClock::time_point now)
{
    ItemsDone = itemsDone;
    BytesDone = bytesDone;
    Seconds = std::chrono::duration<double>(now - Started).count();
}

void TTransferMeter::End(std::int64_t itemsDone, std::int64_t bytesDone)
{
    ItemsDone = itemsDone;
    BytesDone = bytesDone;
    Ended = true;
}

std::int32_t TTransferMeter::Percent() const
{
    return Bytes > 0 ? ProgressPercent(BytesDone, Bytes) : ProgressPercent(ItemsDone, Items);
}

std::string TTransferMeter::Text() const
{
    std::string text = GroupDigits(std::to_string(ItemsDone)) + " of " + GroupDigits(std::to_string(Items)) +
                       " items, " + SizeText(BytesDone) + " of " + SizeText(Bytes);
    if (Ended || Seconds < MeasuredSeconds || BytesDone <= 0)
        return text;
    const double rate = static_cast<double>(BytesDone) / Seconds;
    text += ", " + SizeText(static_cast<std::int64_t>(rate)) + "/s";
    if (BytesDone < Bytes)
        text += ", " + TimeText(static_cast<double>(Bytes - BytesDone) / rate) + " left";
    return text;
}
