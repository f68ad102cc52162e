#include "cli/Tprogressline.h"

#include <cstdio>

#include "sys/Mysysutils.h"
#include "sys/Tconsole.h"

TProgressLine::TProgressLine(std::string label) : Label(std::move(label)), Enabled(StandardErrorIsTerminal()) {}

TProgressLine::~TProgressLine() { Clear(); }

void TProgressLine::Clear()
{
    if (!Shown)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    Shown = false;
}

void TProgressLine::ShowText(const std::string& text)
{
    if (!Enabled)
        return;
    Shown = true;
    std::fprintf(stderr, "\r\x1b[K%s %s", Label.c_str(), text.c_str());
    std::fflush(stderr);
}

void TProgressLine::Show(std::int32_t position, std::int32_t maximum)
{
    if (!Enabled)
        return;
    const int percent = ProgressPercent(position, maximum);
    if (percent == LastPercent)
        return;
    LastPercent = percent;
    Shown = true;
    std::fprintf(stderr, "\r\x1b[K%s %s of %s (%d%%)", Label.c_str(), GroupDigits(std::to_string(position)).c_str(),
                 GroupDigits(std::to_string(maximum)).c_str(), percent);
    std::fflush(stderr);
}
