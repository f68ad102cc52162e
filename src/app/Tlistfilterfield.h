#pragma once
// The filter field of the main window's toolbar. As the user types, the result list shows
// only the rows that the masks typed let through; the selected rows and the current row that
// stay shown keep their state. Esc empties the field, and on an empty field goes back to the
// list; Enter and Down go on to the list with the filter kept.

#include <QKeySequence>
#include <QLineEdit>

#include <functional>
#include <string_view>

class TListFilterField : public QLineEdit {
    Q_OBJECT
public:
    // applyFilter shows the rows the masks let through and tells whether the rows shown
    // changed; list takes the focus when the user leaves the field. Both outlive the field.
    using TApplyFilter = std::function<bool(std::string_view masks)>;
    TListFilterField(QWidget& list, TApplyFilter applyFilter, QWidget* parent = nullptr);

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

    QWidget& List;
    TApplyFilter ApplyMasks;
};
