#include "sys/qt/Tfilepropertieswindow.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "sys/Mysysutils.h"
#include "sys/qt/Qtfilenames.h"

namespace {
QLineEdit* FactEdit(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setCursorPosition(0);
    // Long paths must not stretch the window across the screen.
    edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 48);
    return edit;
}
}  // namespace

TFilePropertiesWindow::TFilePropertiesWindow(const std::string& path, QWidget* parent) : QDialog(parent)
{
    const QFileInfo info(QtFileName(path));
    setObjectName(QStringLiteral("FilePropertiesWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("%1 Properties").arg(info.fileName()));
    setModal(false);

    const QString size = QString::fromStdString(GroupDigits(std::to_string(info.size())));
    const QString owner = info.owner().isEmpty() ? QString::number(info.ownerId()) : info.owner();
    const QString group = info.group().isEmpty() ? QString::number(info.groupId()) : info.group();
    Edit1 = FactEdit(this, "Edit1", info.fileName());
    Edit2 = FactEdit(this, "Edit2", info.absolutePath());
    Edit3 = FactEdit(this, "Edit3", tr("%1 bytes").arg(size));
    Edit4 = FactEdit(this, "Edit4", info.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    Edit5 = FactEdit(this, "Edit5", PermissionText(info.permissions()));
    Edit6 = FactEdit(this, "Edit6", owner + QLatin1Char(':') + group);

    auto* facts = new QFormLayout;
    const std::pair<QString, QLineEdit*> rows[] = {{tr("Name:"), Edit1},        {tr("Folder:"), Edit2},
                                                   {tr("Size:"), Edit3},        {tr("Modified:"), Edit4},
                                                   {tr("Permissions:"), Edit5}, {tr("Owner:"), Edit6}};
    int row = 0;
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QStringLiteral("Label%1").arg(++row));
        label->setBuddy(edit);
        facts->addRow(label, edit);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    Button1 = buttons->button(QDialogButtonBox::Close);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(facts);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TFilePropertiesWindow::PermissionText(QFileDevice::Permissions permissions)
{
    struct TBit {
        QFileDevice::Permission Permission;
        char Letter;
        int Octal;
    };
    static constexpr TBit bits[] = {
        {QFileDevice::ReadOwner, 'r', 0400}, {QFileDevice::WriteOwner, 'w', 0200}, {QFileDevice::ExeOwner, 'x', 0100},
        {QFileDevice::ReadGroup, 'r', 040},  {QFileDevice::WriteGroup, 'w', 020},  {QFileDevice::ExeGroup, 'x', 010},
        {QFileDevice::ReadOther, 'r', 04},   {QFileDevice::WriteOther, 'w', 02},   {QFileDevice::ExeOther, 'x', 01},
    };
    QString letters;
    int mode = 0;
    for (const TBit& bit : bits) {
        const bool set = permissions.testFlag(bit.Permission);
        letters += QLatin1Char(set ? bit.Letter : '-');
        mode |= set ? bit.Octal : 0;
    }
    return QStringLiteral("%1 (%2)").arg(letters).arg(mode, 4, 8, QLatin1Char('0'));
}
