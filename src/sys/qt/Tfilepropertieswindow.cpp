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
    NameEdit = FactEdit(this, "NameEdit", info.fileName());
    FolderEdit = FactEdit(this, "FolderEdit", info.absolutePath());
    SizeEdit = FactEdit(this, "SizeEdit", tr("%1 bytes").arg(size));
    TimeEdit = FactEdit(this, "TimeEdit", info.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    PermissionsEdit = FactEdit(this, "PermissionsEdit", PermissionText(info.permissions()));
    OwnerEdit = FactEdit(this, "OwnerEdit", owner + QLatin1Char(':') + group);

    auto* facts = new QFormLayout;
    const std::pair<QString, QLineEdit*> rows[] = {
        {tr("Name:"), NameEdit},     {tr("Folder:"), FolderEdit},           {tr("Size:"), SizeEdit},
        {tr("Modified:"), TimeEdit}, {tr("Permissions:"), PermissionsEdit}, {tr("Owner:"), OwnerEdit}};
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(caption, this);
        // NameLabel for NameEdit, and so on.
        label->setObjectName(edit->objectName().chopped(4) + QStringLiteral("Label"));
        label->setBuddy(edit);
        facts->addRow(label, edit);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    CloseButton = buttons->button(QDialogButtonBox::Close);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
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
