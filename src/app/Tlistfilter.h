#pragma once
// Which rows of the result list the quick filter lets through. Its text is a mask list, cut
// at ";" like the include masks; a row passes when one of the masks fits it by the wildcard
// rules of Find. A word without "*" or "?" is a part of a name, found anywhere in it, as file
// managers find what is typed. A mask with a path separator is matched against the row's whole
// source path, any other against its file name. Without text every row passes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TResultRow;
class TCompareRoots;

class TListFilter {
public:
    TListFilter() = default;
    explicit TListFilter(std::string_view text);

    const std::string& Text() const { return FText; }
    bool Active() const { return !FText.empty(); }
    bool Passes(std::string_view sourcePath) const;
    // One flag per row, whose paths lie below roots, 1 where it passes; the rows are matched
    // on every core.
    std::vector<std::uint8_t> PassingRows(const std::vector<TResultRow>& rows, const TCompareRoots& roots) const;

private:
    struct TMask {
        std::string Text;
        bool AbsoluteName;
    };

    std::string FText;
    std::vector<TMask> Masks;
    // Whether a mask needs the whole source path, which is then joined for each row.
    bool AnyAbsoluteName = false;
};
