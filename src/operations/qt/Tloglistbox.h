#pragma once
// A read-only list of text lines for logs that grow to hundreds of thousands of lines while
// a worker writes them: a list view over one vector of lines, with uniform line heights,
// extended selection and a caret line. Its horizontal scroll extent is the width of the
// widest line added since it was last cleared.

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QListView>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class QTimer;

class TLogLines : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TLogLines(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const std::vector<std::string>& Lines() const { return FLines; }
    // The reason given with the line at the row, also before the line is appended; the
    // line's tooltip shows it.
    void SetReason(std::int32_t row, std::string reason);
    std::string Reason(std::int32_t row) const;
    // Appends the first count lines in one insertion and removes them from the given vector.
    void Append(std::vector<std::string>& lines, std::size_t count);
    void Clear();

private:
    // UTF-8 as the program got them; turned into display text only for the lines painted.
    std::vector<std::string> FLines;
    // Few lines have one.
    std::unordered_map<std::int32_t, std::string> Reasons;
};

class TLogLineDelegate;

class TLogListBox : public QListView {
    Q_OBJECT
public:
    explicit TLogListBox(QWidget* parent = nullptr);

    // The lines shown; lines added but not yet shown are not among them.
    std::int32_t Count() const;
    const std::vector<std::string>& Lines() const { return Model->Lines(); }
    // Queues a line, with the reason behind it where it tells of a failure. Queued lines are
    // shown together, the last of them becoming the caret line, and then measured in short
    // slices between the worker's reports.
    void AddLine(const std::string& line, const std::string& reason = std::string());
    // The reason given with the line at the row; empty where none was.
    std::string Reason(std::int32_t row) const { return Model->Reason(row); }
    // Shows every queued line now; measuring goes on.
    void ShowQueued();
    // Removes every line, shown or queued, and sets the extent back to 0.
    void Clear();

    // The width in pixels of the widest line measured, which the horizontal scroll bar reaches.
    std::int32_t HorizontalExtent() const { return Extent; }
    void SetLineHeight(std::int32_t height);

    // Makes the line the caret line and scrolls it into view vertically; which lines are
    // selected does not change, nor how far the list is scrolled sideways.
    void SetCaretLine(std::int32_t row);
    // The selected lines' rows in ascending order.
    std::vector<std::int32_t> SelectedRows() const;
    void SelectAllLines();
    void SelectNoLines();
    void InvertSelection();

private:
    void Pump();
    // Measures shown lines until all are or the time is up, and widens the extent to them.
    void MeasureShown(qint64 nanoseconds);
    std::int32_t LineWidth(const QFontMetrics& metrics, const std::string& line);
    void SetHorizontalExtent(std::int32_t extent);
    void UpdateLineSize();

    TLogLines* Model;
    TLogLineDelegate* Delegate;
    std::int32_t Extent = 0;
    std::int32_t LineHeight;

    std::vector<std::string> Queued;
    // The shown lines before this one are measured.
    std::size_t Measured = 0;
    // Short lines come back again and again ("Succeeded"); shaping text is what costs.
    std::unordered_map<std::string, std::int32_t> ShortLineWidths;
    QTimer* PumpTimer;
    QElapsedTimer SinceShown;
    qint64 ShowSpacing = 0;
};
