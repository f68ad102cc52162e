#include "app/Tlistfilter.h"

#include <algorithm>

#include "app/Tcoreparts.h"
#include "app/Tresultlistmodel.h"
#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"

TListFilter::TListFilter(std::string_view text) : FText(text)
{
    if (!Active())
        return;
    for (std::string& mask : SplitText(text, ';')) {
        // An empty mask, as while a list is typed, stays one that fits nothing.
        if (!mask.empty() && mask.find_first_of("*?") == std::string::npos)
            mask = '*' + mask + '*';
        const bool absoluteName = std::any_of(mask.begin(), mask.end(), PathSyntax::IsSeparator);
        AnyAbsoluteName = AnyAbsoluteName || absoluteName;
        Masks.push_back({std::move(mask), absoluteName});
    }
}

bool TListFilter::Passes(std::string_view sourcePath) const
{
    if (!Active())
        return true;
    const std::string_view name = FileNameView(sourcePath);
    return std::any_of(Masks.begin(), Masks.end(), [&](const TMask& mask) {
        return MatchesMask(mask.AbsoluteName ? sourcePath : name, mask.Text);
    });
}

std::vector<std::uint8_t> TListFilter::PassingRows(const std::vector<TResultRow>& rows,
                                                   const TCompareRoots& roots) const
{
    std::vector<std::uint8_t> passing(rows.size());
    const TCoreParts parts(rows.size());
    parts.Run([&](std::size_t, std::size_t first, std::size_t end) {
        // The file name of the relative path is that of the whole one.
        std::string whole;
        for (std::size_t i = first; i < end; ++i) {
            const TCompareItem& item = rows[i].Item;
            passing[i] = Passes(AnyAbsoluteName ? roots.SourcePath(item, whole) : item.Path) ? 1 : 0;
        }
    });
    return passing;
}
