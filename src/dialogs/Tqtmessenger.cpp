#include "dialogs/Tqtmessenger.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QTimer>

#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtdesktop.h"

namespace {
QMessageBox::Icon BoxIcon(TMessageKind kind)
{
    switch (kind) {
    case mkWarning:
        return QMessageBox::Warning;
    case mkError:
        return QMessageBox::Critical;
    case mkInformation:
        return QMessageBox::Information;
    case mkConfirmation:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}
}  // namespace

bool TQtMessenger::ShowMessage(const std::string& caption, const std::string& text, TMessageKind kind,
                               TMessageButtons buttons)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QMessageBox::StandardButtons offered =
        buttons == mbOKCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok;
    QMessageBox box(BoxIcon(kind), QString::fromStdString(caption), shown, offered, FrontWindow());
    box.setObjectName(QStringLiteral("MessageBox"));
    // Names of files may hold anything that looks like markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(buttons == mbOKCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    // The box sizes itself to its layout's minimum; a row as wide as the caption widens it.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const QMargins margins = grid->contentsMargins();
        grid->addItem(new QSpacerItem(CaptionWidth(box) - margins.left() - margins.right(), 0), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    QTimer::singleShot(0, &box, [&box] { BringToForeground(&box); });
    return RunModal(box) == QMessageBox::Ok;
}

std::int32_t TQtMessenger::Execute(TMessageDialog& dialog) { return dialog.Execute(); }
