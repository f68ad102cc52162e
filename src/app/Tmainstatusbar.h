#pragma once
// The status bar of the main window: its text, which after every change of the rows is the
// item count ("1,024 items are set in total", or "12 of 1,024 items are shown" while the
// filter is on), and beside it how many rows are selected ("3 selected"), nothing when none.

#include <QStatusBar>
#include <string>

class QLabel;
class TResultList;

class TMainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TMainStatusBar(QWidget* parent = nullptr);

    void SetText(const std::string& text);
    std::string Text() const;
    // The item count of the list, and its selection, which a change of the rows may have changed.
    void ShowItemCount(const TResultList& list);
    // Counts the runs of the selection the list keeps, so even a scattered selection of a
    // million rows costs no more than the commands' own look at it.
    void ShowSelectedCount(const TResultList& list);

private:
    QLabel* TextLabel;
    QLabel* SelectedLabel;
};
