#include "app/Tlistfilterfield.h"

#include <QKeyEvent>
#include <QToolButton>

TListFilterField::TListFilterField(QWidget& list, TApplyFilter applyFilter, QWidget* parent)
    : QLineEdit(parent), List(list), ApplyMasks(std::move(applyFilter))
{
    setPlaceholderText(tr("Filter"));
    setAccessibleName(placeholderText());
    setToolTip(tr("Show only the items whose names hold these words or match these masks (%1)")
                   .arg(Shortcut().toString(QKeySequence::NativeText)));
    setClearButtonEnabled(true);
    // Qt's clear button shows an icon only; a name is what it is read by. Its action keeps its
    // text: a change to the action would show the button over an empty field.
    for (QToolButton* clear : findChildren<QToolButton*>())
        clear->setAccessibleName(tr("Clear the filter"));
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
