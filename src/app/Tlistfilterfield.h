#pragma once
// The filter field of the main window's toolbar. As the user types, the result list shows
// only the rows that the masks typed let through; the selected rows and the current row that
// stay shown keep their state. Esc empties the field, and on an empty field goes back to the
// list; Enter and Down go on to the list with the filter kept.

#include <QKeySequence>
#include <QLineEdit>

class QAbstractItemView;
class TResultListModel;

class TListFilterField : public QLineEdit {
    Q_OBJECT
public:
    // model is the list's model; both outlive the field.
    TListFilterField(QAbstractItemView& list, TResultListModel& model, QWidget* parent = nullptr);

    // The key that takes the user into the field from anywhere in the window; no menu uses it.
    static QKeySequence Shortcut();
    // The keyboard focus into the field with its text selected, so that typing replaces it.
    void TakeFocus();

signals:
    void ShownRowsChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyFilter(const QString& text);

    QAbstractItemView& List;
    TResultListModel& Model;
};
