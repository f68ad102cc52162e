#include "app/Tresultlistview.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {
constexpr int RowsInSight = 4;
constexpr int ColumnsInSight = 2;
}  // namespace

TResultListView::TResultListView(QWidget* parent) : QTreeView(parent) {}

void TResultListView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        const QPoint place = KeyboardMenuPlace();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, place, mapToGlobal(place), event->modifiers());
        QCoreApplication::sendEvent(this, &menu);
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TResultListView::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() != QContextMenuEvent::Keyboard || parentWidget() == nullptr) {
        event->ignore();
        return;
    }
    const QPoint place = KeyboardMenuPlace();
    QContextMenuEvent atRow(QContextMenuEvent::Keyboard, mapToParent(place), mapToGlobal(place), event->modifiers());
    QCoreApplication::sendEvent(parentWidget(), &atRow);
    event->setAccepted(atRow.isAccepted());
}

QPoint TResultListView::KeyboardMenuPlace() const
{
    const QRect rows = viewport()->rect();
    const QRect current = visualRect(currentIndex());
    const QPoint place = rows.intersects(current) ? QPoint(current.left(), current.bottom()) : rows.topLeft();
    return viewport()->mapTo(this, QPoint(std::max(place.x(), 0), place.y()));
}

const std::vector<TRowRange>& TResultListView::SelectedRuns() const
{
    if (!KnownSelection)
        KnownSelection = selectionModel() != nullptr ? SelectedRowRanges(*selectionModel()) : std::vector<TRowRange>{};
    return *KnownSelection;
}

void TResultListView::SelectRuns(const std::vector<TRowRange>& runs)
{
    if (selectionModel() == nullptr)
        return;
    SelectRowRanges(*selectionModel(), runs);
    KnownSelection = MergedRanges(runs, model()->columnCount() > 0 ? model()->rowCount() : 0);
}

void TResultListView::setModel(QAbstractItemModel* model)
{
    for (const QMetaObject::Connection& watch : RowWatches)
        disconnect(watch);
    RowWatches.clear();
    // The selection model it makes reports its selection through selectionChanged, which forgets the runs.
    QTreeView::setModel(model);
    if (model == nullptr)
        return;
    const auto forget = [this] { KnownSelection.reset(); };
    RowWatches = {connect(model, &QAbstractItemModel::modelReset, this, forget),
                  connect(model, &QAbstractItemModel::layoutChanged, this, forget),
                  connect(model, &QAbstractItemModel::rowsInserted, this, forget),
                  connect(model, &QAbstractItemModel::rowsRemoved, this, forget),
                  connect(model, &QAbstractItemModel::rowsMoved, this, forget),
                  connect(model, &QAbstractItemModel::columnsInserted, this, forget),
                  connect(model, &QAbstractItemModel::columnsRemoved, this, forget),
                  connect(model, &QAbstractItemModel::columnsMoved, this, forget)};
}

QSize TResultListView::minimumSizeHint() const
{
    // Every row is one line of text, as high as the style makes an item of this font.
    QStyleOptionViewItem item;
    initViewItemOption(&item);
    item.features |= QStyleOptionViewItem::HasDisplay;
    item.text = QStringLiteral("Xg");
    const int rowHeight = style()->sizeFromContents(QStyle::CT_ItemViewItem, &item, QSize(), this).height();
    int columnWidth = 0;
    for (int column = 0; column < header()->count(); ++column)
        columnWidth = std::max(columnWidth, header()->sectionSizeHint(column));
    const int frames = 2 * frameWidth();
    return {ColumnsInSight * columnWidth + verticalScrollBar()->sizeHint().width() + frames,
            header()->sizeHint().height() + RowsInSight * rowHeight + horizontalScrollBar()->sizeHint().height() +
                frames};
}

bool TResultListView::RowSelected(int row) const
{
    const std::vector<TRowRange>& runs = SelectedRuns();
    const auto after = std::upper_bound(runs.begin(), runs.end(), row,
                                        [](int value, const TRowRange& range) { return value < range.First; });
    return after != runs.begin() && std::prev(after)->Last >= row;
}

void TResultListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // A flat list of whole rows: no branches, no spanned rows, every cell selected with its row.
    const QHeaderView* columns = header();
    const QModelIndex current = currentIndex();
    const bool rowHasFocus = hasFocus() && current.isValid() && current.row() == index.row();
    const bool selected = RowSelected(index.row());
    const QRect visibleArea = viewport()->rect();

    std::vector<int> shown;
    for (int visual = 0; visual < columns->count(); ++visual)
        if (const int column = columns->logicalIndex(visual); !columns->isSectionHidden(column))
            shown.push_back(column);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const int column = shown[i];
        QStyleOptionViewItem cell = option;
        cell.rect =
            QRect(columnViewportPosition(column), option.rect.y(), columns->sectionSize(column), option.rect.height());
        if (!cell.rect.intersects(visibleArea))
            continue;
        const QModelIndex cellIndex = model()->index(index.row(), column, index.parent());
        cell.showDecorationSelected = true;
        cell.state.setFlag(QStyle::State_Selected, selected);
        cell.state.setFlag(QStyle::State_HasFocus, false);
        cell.viewItemPosition = shown.size() == 1       ? QStyleOptionViewItem::OnlyOne
                                : i == 0                ? QStyleOptionViewItem::Beginning
                                : i + 1 == shown.size() ? QStyleOptionViewItem::End
                                                        : QStyleOptionViewItem::Middle;
        if (alternatingRowColors())
            cell.features.setFlag(QStyleOptionViewItem::Alternate, (index.row() & 1) != 0);
        style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &cell, painter, this);
        itemDelegateForIndex(cellIndex)->paint(painter, cell, cellIndex);
    }
    if (rowHasFocus) {
        // All columns show the focus: one frame around the whole row.
        QStyleOptionFocusRect frame;
        frame.QStyleOption::operator=(option);
        frame.state |= QStyle::State_KeyboardFocusChange;
        const QPalette::ColorGroup group = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        frame.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
        frame.rect = QRect(-columns->offset(), option.rect.y(), columns->length(), option.rect.height());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter);
    }
}

void TResultListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    // Connected when the selection model is set, before anyone else can connect to it, so the
    // runs are forgotten before another receiver of the change asks for them.
    KnownSelection.reset();
    // The region of a scattered change is as costly to work out as the paint it saves.
    if (QAccessible::isActive())
        QTreeView::selectionChanged(selected, deselected);
    else if (isVisible() && updatesEnabled())
        viewport()->update();
}
