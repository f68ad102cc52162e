#include "app/Tlistfilterfield.h"

#include <QAction>
#include <QKeyEvent>

TListFilterField::TListFilterField(QWidget& list, TApplyFilter applyFilter, QWidget* parent)
    : QLineEdit(parent), List(list), ApplyMasks(std::move(applyFilter))
{
    setPlaceholderText(tr("Filter"));
    setAccessibleName(placeholderText());
    setToolTip(tr("Show only the items whose names match these masks (%1)")
                   .arg(Shortcut().toString(QKeySequence::NativeText)));
    setClearButtonEnabled(true);
    // Qt's clear button shows its action's icon only; the text is what it is read by.
    if (auto* clear = findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction")))
        clear->setText(tr("Clear the filter"));
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
    if (ApplyMasks(text.toStdString()))
        emit ShownRowsChanged();
}
