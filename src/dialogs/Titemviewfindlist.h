#pragma once
// A Qt item view as a list that Find can search: rows of the view's model, whole-row
// selection in its selection model, the current index as the focused row. The caller says
// where a row's stored texts are.

#include <functional>

#include "dialogs/Tfinditems.h"

class QAbstractItemView;

class TItemViewFindList : public TFindItemList {
public:
    using TCandidateText = std::function<std::string_view(std::int32_t row, bool absoluteName)>;

    // The view must have a model and a selection model; both outlive this object.
    TItemViewFindList(QAbstractItemView& view, TCandidateText candidateText);

    std::int32_t Count() const override;
    std::int32_t FocusedRow() const override;
    bool IsSelected(std::int32_t row) const override;
    std::string_view CandidateText(std::int32_t row, bool absoluteName) const override;
    // Clears first, then selects the runs of adjacent rows in one step: the selection model
    // compares old and new selections range by range, which is quick only against an empty one.
    void SelectOnly(const std::vector<std::int32_t>& rows) override;
    void FocusRow(std::int32_t row) override;

private:
    QAbstractItemView& View;
    TCandidateText Candidate;
};
