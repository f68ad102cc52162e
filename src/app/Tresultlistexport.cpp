#include "app/Tresultlistexport.h"

#include "app/Tresultlistmodel.h"
#include "compare/Tresultrow.h"

std::vector<std::string> TResultListExport::ColumnCaptions() const
{
    const auto& captions = ResultColumnCaptions();
    return {captions.begin(), captions.end()};
}

std::size_t TResultListExport::RowCount() const { return static_cast<std::size_t>(Model.Count()); }

std::vector<std::string> TResultListExport::RowTexts(std::size_t row) const
{
    const TResultRowTexts texts = ResultRowTexts(Model.Row(static_cast<int>(row)).Item, Model.Roots());
    return {texts.begin(), texts.end()};
}
