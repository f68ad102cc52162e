#pragma once
// A progress line on standard error that updates in place; silent when standard error is
// not a terminal, so that scripts and logs see no control characters.

#include <cstdint>
#include <string>

class TProgressLine {
public:
    explicit TProgressLine(std::string label);
    ~TProgressLine();
    TProgressLine(const TProgressLine&) = delete;
    TProgressLine& operator=(const TProgressLine&) = delete;

    void Show(std::int32_t position, std::int32_t maximum);
    // The label and the text.
    void ShowText(const std::string& text);
    // Takes the line away, so that other output may follow on the terminal.
    void Clear();

private:
    std::string Label;
    bool Enabled;
    bool Shown = false;
    int LastPercent = -1;
};
