#include "operations/qt/Tloglistbox.h"

#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>

#include "sys/Memoryhints.h"

namespace {
// Measuring a line means shaping its text, which takes longer than the worker takes for an
// item: lines are shown first and measured afterwards, in slices short enough not to keep a
// worker waiting long to hand over its report, in nanoseconds.
constexpr qint64 MeasureSlice = 2'000'000;
// The view lays out all its lines again for each insertion, which costs more the longer the
// log grows: after an insertion that took t, the next waits for this many times t, but at
// most the maximum, in milliseconds.
constexpr qint64 ShowSpacingFactor = 9;
constexpr qint64 MaxShowSpacing = 250;
constexpr std::size_t ShortLine = 32;
constexpr std::size_t MaxShortLines = 4096;
}  // namespace

TLogLines::TLogLines(QObject* parent) : QAbstractListModel(parent) {}

int TLogLines::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FLines.size());
}

QVariant TLogLines::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::ToolTipRole) {
        const std::string reason = Reason(index.row());
        return reason.empty() ? QVariant() : QVariant(QString::fromStdString(reason));
    }
    if (role != Qt::DisplayRole)
        return {};
    return QString::fromStdString(FLines[static_cast<std::size_t>(index.row())]);
}

void TLogLines::SetReason(std::int32_t row, std::string reason) { Reasons[row] = std::move(reason); }

std::string TLogLines::Reason(std::int32_t row) const
{
    const auto found = Reasons.find(row);
    return found != Reasons.end() ? found->second : std::string();
}

void TLogLines::Append(std::vector<std::string>& lines, std::size_t count)
{
    if (count == 0)
        return;
    const int first = static_cast<int>(FLines.size());
    const auto end = lines.begin() + static_cast<std::ptrdiff_t>(count);
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(count) - 1);
    FLines.insert(FLines.end(), std::make_move_iterator(lines.begin()), std::make_move_iterator(end));
    endInsertRows();
    lines.erase(lines.begin(), end);
}

void TLogLines::Clear()
{
    beginResetModel();
    ReleaseMemory(FLines);
    Reasons.clear();
    endResetModel();
}

// Every line gets the same size: the extent wide, so that the view's contents are as wide
// as the widest line, and one line high.
class TLogLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return Size; }
    QSize Size;
};

TLogListBox::TLogListBox(QWidget* parent)
    : QListView(parent),
      Model(new TLogLines(this)),
      Delegate(new TLogLineDelegate(this)),
      LineHeight(fontMetrics().height()),
      PumpTimer(new QTimer(this))
{
    setModel(Model);
    setItemDelegate(Delegate);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    UpdateLineSize();
    PumpTimer->setSingleShot(true);
    connect(PumpTimer, &QTimer::timeout, this, &TLogListBox::Pump);
    SinceShown.start();
}

std::int32_t TLogListBox::Count() const { return static_cast<std::int32_t>(Model->Lines().size()); }

void TLogListBox::AddLine(const std::string& line, const std::string& reason)
{
    if (!reason.empty())
        Model->SetReason(static_cast<std::int32_t>(Model->Lines().size() + Queued.size()), reason);
    Queued.push_back(line);
    if (!PumpTimer->isActive())
        PumpTimer->start(static_cast<int>(std::max<qint64>(ShowSpacing - SinceShown.elapsed(), 0)));
}

void TLogListBox::ShowQueued()
{
    if (Queued.empty())
        return;
    QElapsedTimer took;
    took.start();
    Model->Append(Queued, Queued.size());
    SetCaretLine(Count() - 1);
    ShowSpacing = std::min(took.elapsed() * ShowSpacingFactor, MaxShowSpacing);
    SinceShown.restart();
    if (!PumpTimer->isActive())
        PumpTimer->start(0);
}

void TLogListBox::Clear()
{
    PumpTimer->stop();
    Queued.clear();
    Measured = 0;
    ShowSpacing = 0;
    Model->Clear();
    SetHorizontalExtent(0);
}

void TLogListBox::Pump()
{
    if (!Queued.empty() && SinceShown.elapsed() >= ShowSpacing)
        ShowQueued();
    MeasureShown(MeasureSlice);
    if (Measured < Lines().size())
        PumpTimer->start(0);
    else if (!Queued.empty())
        PumpTimer->start(static_cast<int>(std::max<qint64>(ShowSpacing - SinceShown.elapsed(), 0)));
}

void TLogListBox::MeasureShown(qint64 nanoseconds)
{
    const std::vector<std::string>& lines = Lines();
    if (Measured == lines.size())
        return;
    QElapsedTimer took;
    took.start();
    const QFontMetrics metrics = fontMetrics();
    std::int32_t widest = Extent;
    while (Measured < lines.size()) {
        widest = std::max(widest, LineWidth(metrics, lines[Measured]));
        ++Measured;
        if (Measured % 16 == 0 && took.nsecsElapsed() >= nanoseconds)
            break;
    }
    if (widest == Extent)
        return;
    SetHorizontalExtent(widest);
    // A horizontal scroll bar that comes up may cover the caret line.
    SetCaretLine(currentIndex().row());
}

std::int32_t TLogListBox::LineWidth(const QFontMetrics& metrics, const std::string& line)
{
    if (line.size() > ShortLine)
        return metrics.horizontalAdvance(QString::fromStdString(line));
    const auto known = ShortLineWidths.find(line);
    if (known != ShortLineWidths.end())
        return known->second;
    if (ShortLineWidths.size() >= MaxShortLines)
        ShortLineWidths.clear();
    const std::int32_t width = metrics.horizontalAdvance(QString::fromStdString(line));
    ShortLineWidths.emplace(line, width);
    return width;
}

void TLogListBox::SetHorizontalExtent(std::int32_t extent)
{
    if (extent == Extent)
        return;
    Extent = extent;
    UpdateLineSize();
}

void TLogListBox::SetLineHeight(std::int32_t height)
{
    if (height == LineHeight)
        return;
    LineHeight = height;
    UpdateLineSize();
}

void TLogListBox::UpdateLineSize()
{
    // The margins the style leaves on either side of an item's text.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    Delegate->Size = QSize(Extent > 0 ? Extent + 2 * margin : 0, LineHeight);
    // The view measures one line and takes it for all; a new layout measures again.
    scheduleDelayedItemsLayout();
}

void TLogListBox::SetCaretLine(std::int32_t row)
{
    const QModelIndex line = Model->index(row);
    if (!line.isValid())
        return;
    const int sideways = horizontalScrollBar()->value();
    selectionModel()->setCurrentIndex(line, QItemSelectionModel::NoUpdate);
    scrollTo(line);
    horizontalScrollBar()->setValue(sideways);
}

std::vector<std::int32_t> TLogListBox::SelectedRows() const
{
    std::vector<std::int32_t> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TLogListBox::SelectAllLines() { selectAll(); }

void TLogListBox::SelectNoLines() { clearSelection(); }

void TLogListBox::InvertSelection()
{
    const std::int32_t count = Count();
    std::vector<bool> selected(static_cast<std::size_t>(count), false);
    for (const std::int32_t row : SelectedRows())
        selected[static_cast<std::size_t>(row)] = true;
    QItemSelection inverted;
    for (std::int32_t first = 0; first < count;) {
        if (selected[static_cast<std::size_t>(first)]) {
            ++first;
            continue;
        }
        std::int32_t last = first;
        while (last + 1 < count && !selected[static_cast<std::size_t>(last) + 1])
            ++last;
        inverted.append(QItemSelectionRange(Model->index(first), Model->index(last)));
        first = last + 1;
    }
    // Cleared first: the selection model compares the old and the new selection range by
    // range, which is quick only against an empty one.
    setUpdatesEnabled(false);
    selectionModel()->clearSelection();
    selectionModel()->select(inverted, QItemSelectionModel::Select);
    setUpdatesEnabled(true);
}
