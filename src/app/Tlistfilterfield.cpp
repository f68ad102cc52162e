#include "app/Tlistfilterfield.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <algorithm>

#include "app/Tlistselection.h"
#include "app/Tresultlistmodel.h"

TListFilterField::TListFilterField(QAbstractItemView& list, TResultListModel& model, QWidget* parent)
    : QLineEdit(parent), List(list), Model(model)
{
    setPlaceholderText(tr("Filter"));
    setToolTip(tr("Show only the items whose names match these masks (%1)")
                   .arg(Shortcut().toString(QKeySequence::NativeText)));
    setClearButtonEnabled(true);
    setMinimumWidth(fontMetrics().averageCharWidth() * 24);
    connect(this, &QLineEdit::textChanged, this, &TListFilterField::ApplyFilter);
}

QKeySequence TListFilterField::Shortcut() { return QKeySequence(Qt::CTRL | Qt::Key_E); }

void TListFilterField::TakeFocus()
{
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void TListFilterField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (text().isEmpty())
            List.setFocus(Qt::OtherFocusReason);
        else
            clear();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        List.setFocus(Qt::OtherFocusReason);
        break;
    default:
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TListFilterField::ApplyFilter(const QString& text)
{
    TListFilter filter(text.toStdString());
    if (filter.Text() == Model.Filter().Text())
        return;
    // The selection and the current row are taken by their stored rows, as the shown rows
    // get new positions.
    QItemSelectionModel& selection = *List.selectionModel();
    const std::vector<bool> selected = Model.StoredFlags(SelectedRowRanges(selection));
    const QModelIndex current = selection.currentIndex();
    const std::uint32_t currentRow = current.isValid() ? Model.StorageIndexOf(current.row()) : 0;
    Model.SetFilter(std::move(filter));
    SelectRowRanges(selection, Model.ShownRanges(selected));
    const int row = current.isValid() ? Model.ShownRowOf(currentRow) : -1;
    if (Model.Count() > 0) {
        const QModelIndex focused = Model.index(std::max(row, 0), 0);
        selection.setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
        List.scrollTo(focused);
    }
    emit ShownRowsChanged();
}
