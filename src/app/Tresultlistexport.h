#pragma once
// The result list as File > Save List As... writes it: the six column captions, then each
// row's texts as the list shows them, in the list's present order. With the quick filter on,
// only the rows it shows are written, as every command acts on the rows shown.

#include "settings/Listexport.h"

class TResultListModel;

class TResultListExport : public TReportList {
public:
    explicit TResultListExport(const TResultListModel& model) : Model(model) {}

    std::vector<std::string> ColumnCaptions() const override;
    std::size_t RowCount() const override;
    std::vector<std::string> RowTexts(std::size_t row) const override;

private:
    const TResultListModel& Model;
};
