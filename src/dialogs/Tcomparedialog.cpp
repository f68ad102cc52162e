#include "dialogs/Tcomparedialog.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <exception>

#include "compare/Tcompareloader.h"
#include "compare/Tcompareoptionscheck.h"
#include "dialogs/Tdesignscale.h"
#include "dialogs/Tmessenger.h"
#include "sys/Failurereason.h"
#include "sys/Shellhelpers.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtdesktop.h"

namespace {
QString QtText(const std::string& text) { return QString::fromStdString(text); }
std::string TextOf(const QLineEdit* edit) { return edit->text().toStdString(); }
}  // namespace

TCompareDialog::TCompareDialog(TMessenger& messenger, QWidget* owner) : QDialog(owner), Messenger(messenger)
{
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(tr("Compare"));
    CreateControls();
    setAcceptDrops(true);
    UpdateControls();
}

TCompareDialog::~TCompareDialog()
{
    OnSelectFile = nullptr;
    OnFileAccess = nullptr;
}

void TCompareDialog::CreateControls()
{
    const TDesignScale scale(this);
    const auto button = [&](QWidget* parent, const char* name, const QString& caption, QSize size) {
        auto* created = new QPushButton(caption, parent);
        created->setObjectName(QString::fromLatin1(name));
        created->setMinimumSize(size);
        return created;
    };
    const auto edit = [&](QWidget* parent, const char* name, int designWidth) {
        auto* created = new QLineEdit(parent);
        created->setObjectName(QString::fromLatin1(name));
        created->setMinimumSize(scale(designWidth, 23));
        // Drops belong to the dialog, which decides what a dropped name is for.
        created->setAcceptDrops(false);
        return created;
    };
    const auto checkBox = [&](QWidget* parent, const char* name, const QString& caption) {
        auto* created = new QCheckBox(caption, parent);
        created->setObjectName(QString::fromLatin1(name));
        created->setMinimumHeight(scale(25));
        return created;
    };
    const auto groupBox = [&](const char* name, const QString& title) {
        auto* created = new QGroupBox(title, this);
        created->setObjectName(QString::fromLatin1(name));
        created->setMinimumWidth(scale(353));
        return created;
    };
    const auto groupLayout = [&](QGroupBox* box) {
        auto* layout = new QGridLayout(box);
        layout->setContentsMargins(scale(8), scale(8), scale(8), scale(8));
        layout->setHorizontalSpacing(scale(7));
        layout->setVerticalSpacing(scale(7));
        return layout;
    };
    const auto label = [&](QWidget* parent, const char* name, const QString& caption, QWidget* buddy) {
        auto* created = new QLabel(caption, parent);
        created->setObjectName(QString::fromLatin1(name));
        created->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        created->setMinimumSize(scale(89, 25));
        created->setBuddy(buddy);
        return created;
    };
    // The browse buttons stay narrow; their three dots need little room.
    const QSize browseSize(std::max(scale(33), fontMetrics().horizontalAdvance(QStringLiteral("...")) + scale(12)),
                           std::max(scale(25), fontMetrics().height() + scale(8)));

    GroupBox1 = groupBox("GroupBox1", tr("Files"));
    Edit11 = edit(GroupBox1, "Edit11", 201);
    Label11 = label(GroupBox1, "Label11", tr("S&ource:"), Edit11);
    Button11 = button(GroupBox1, "Button11", QStringLiteral("..."), browseSize);
    Button11->setFixedSize(browseSize);
    Button11->setAccessibleName(tr("Browse for the source"));
    Edit12 = edit(GroupBox1, "Edit12", 201);
    Label12 = label(GroupBox1, "Label12", tr("&Destination:"), Edit12);
    Button12 = button(GroupBox1, "Button12", QStringLiteral("..."), browseSize);
    Button12->setFixedSize(browseSize);
    Button12->setAccessibleName(tr("Browse for the destination"));
    CheckBox11 = checkBox(GroupBox1, "CheckBox11", tr("I&nclude:"));
    CheckBox11->setMinimumWidth(scale(89));
    Edit13 = edit(GroupBox1, "Edit13", 241);
    // Its check box is no label, so the field would be called after the group.
    Edit13->setAccessibleName(tr("Include masks"));
    CheckBox12 = checkBox(GroupBox1, "CheckBox12", tr("E&xclude:"));
    CheckBox12->setMinimumWidth(scale(89));
    Edit14 = edit(GroupBox1, "Edit14", 241);
    Edit14->setAccessibleName(tr("Exclude masks"));
    CheckBox13 = checkBox(GroupBox1, "CheckBox13", tr("In&clude subdirectories"));
    QGridLayout* files = groupLayout(GroupBox1);
    files->addWidget(Label11, 0, 0);
    files->addWidget(Edit11, 0, 1);
    files->addWidget(Button11, 0, 2);
    files->addWidget(Label12, 1, 0);
    files->addWidget(Edit12, 1, 1);
    files->addWidget(Button12, 1, 2);
    files->addWidget(CheckBox11, 2, 0);
    files->addWidget(Edit13, 2, 1, 1, 2);
    files->addWidget(CheckBox12, 3, 0);
    files->addWidget(Edit14, 3, 1, 1, 2);
    files->addWidget(CheckBox13, 4, 0, 1, 3);
    files->setColumnStretch(1, 1);

    GroupBox2 = groupBox("GroupBox2", tr("Compare"));
    CheckBox21 = checkBox(GroupBox2, "CheckBox21", tr("Co&mpare file time at FAT precision"));
    CheckBox22 = checkBox(GroupBox2, "CheckBox22", tr("Ignore &time shifts of exactly one hour"));
    QGridLayout* compare = groupLayout(GroupBox2);
    compare->addWidget(CheckBox21, 0, 0);
    compare->addWidget(CheckBox22, 1, 0);

    GroupBox3 = groupBox("GroupBox3", tr("Results"));
    CheckBox31 = checkBox(GroupBox3, "CheckBox31", tr("S&how not modified items"));
    groupLayout(GroupBox3)->addWidget(CheckBox31, 0, 0);

    const QSize buttonSize = scale(97, 33);
    Button1 = button(this, "Button1", tr("OK"), buttonSize);
    Button1->setDefault(true);
    Button2 = button(this, "Button2", tr("Cancel"), buttonSize);
    Button3 = button(this, "Button3", tr("&Import..."), buttonSize);
    Button4 = button(this, "Button4", tr("&Export..."), buttonSize);
    Button5 = button(this, "Button5", tr("&Swap"), buttonSize);
    Button6 = button(this, "Button6", tr("&Reset"), buttonSize);

    auto* groups = new QVBoxLayout;
    groups->setSpacing(scale(7));
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    groups->addWidget(GroupBox3);
    groups->addStretch();

    // The buttons come in pairs: OK and Cancel, Import and Export, Swap and Reset.
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(0);
    buttons->addSpacing(scale(8));
    const std::pair<QPushButton*, QPushButton*> pairs[] = {{Button1, Button2}, {Button3, Button4}, {Button5, Button6}};
    for (const auto& [first, second] : pairs) {
        if (first != Button1)
            buttons->addSpacing(scale(15));
        buttons->addWidget(first);
        buttons->addSpacing(scale(7));
        buttons->addWidget(second);
    }
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(scale(8), scale(8), scale(7), scale(7));
    layout->setSpacing(scale(15));
    // The design is the smallest size; a wider dialog gives the room to the edits, a taller
    // one leaves it below the groups, and the buttons keep to the top right.
    layout->addLayout(groups, 1);
    layout->addLayout(buttons);
    ensurePolished();
    setMinimumSize(sizeHint());
    resize(minimumSize());

    QWidget* tabOrder[] = {Edit11,     Button11, Edit12,     Button12,   CheckBox11, Edit13,
                           CheckBox12, Edit14,   CheckBox13, CheckBox21, CheckBox22, CheckBox31,
                           Button1,    Button2,  Button3,    Button4,    Button5,    Button6};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(CheckBox11, &QCheckBox::clicked, this, &TCompareDialog::CheckBoxClick);
    connect(CheckBox12, &QCheckBox::clicked, this, &TCompareDialog::CheckBoxClick);
    connect(Button11, &QPushButton::clicked, this, &TCompareDialog::Button11Click);
    connect(Button12, &QPushButton::clicked, this, &TCompareDialog::Button12Click);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, &TCompareDialog::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TCompareDialog::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TCompareDialog::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TCompareDialog::Button6Click);
}

bool TCompareDialog::Execute(const std::string& name)
{
    FPendingItem = name;
    FSavedOptions = FOptions;
    CentreOnScreen(this);
    const bool confirmed = RunModal(*this) == QDialog::Accepted;
    if (!confirmed)
        SetOptions(FSavedOptions);
    FPendingItem.clear();
    return confirmed;
}

void TCompareDialog::SetOptions(const TCompareOptions& options)
{
    if (options == FOptions)
        return;
    FOptions = options;
    UpdateControls();
}

void TCompareDialog::UpdateControls()
{
    Edit11->setText(QtText(FOptions.SrcDir));
    Edit12->setText(QtText(FOptions.DstDir));
    CheckBox11->setChecked(FOptions.UseIncludeMasks);
    Edit13->setText(QtText(FOptions.IncludeMasks));
    CheckBox12->setChecked(FOptions.UseExcludeMasks);
    Edit14->setText(QtText(FOptions.ExcludeMasks));
    CheckBox13->setChecked(FOptions.IncludeSubDirs);
    CheckBox21->setChecked(FOptions.FatPrecision);
    CheckBox22->setChecked(FOptions.IgnoreHourShift);
    CheckBox31->setChecked(FOptions.ShowNotModified);
    UpdateMaskEdits();
}

void TCompareDialog::UpdateMaskEdits()
{
    Edit13->setEnabled(CheckBox11->isChecked());
    Edit14->setEnabled(CheckBox12->isChecked());
}

TCompareOptions TCompareDialog::ControlOptions() const
{
    TCompareOptions options;
    options.SrcDir = TextOf(Edit11);
    options.DstDir = TextOf(Edit12);
    options.UseIncludeMasks = CheckBox11->isChecked();
    options.IncludeMasks = TextOf(Edit13);
    options.UseExcludeMasks = CheckBox12->isChecked();
    options.ExcludeMasks = TextOf(Edit14);
    options.IncludeSubDirs = CheckBox13->isChecked();
    options.FatPrecision = CheckBox21->isChecked();
    options.IgnoreHourShift = CheckBox22->isChecked();
    options.ShowNotModified = CheckBox31->isChecked();
    return options;
}

bool TCompareDialog::ValidateControls()
{
    const TCompareOptions typed = ControlOptions();
    const std::optional<TOptionsProblem> problem = CheckCompareOptions(typed);
    if (!problem) {
        SetOptions(typed);
        return true;
    }
    Messenger.ShowError(problem->Message);
    switch (problem->Field) {
    case TOptionsField::SrcDir:
        ActivateControl(Edit11);
        break;
    case TOptionsField::DstDir:
        ActivateControl(Edit12);
        break;
    case TOptionsField::IncludeMasks:
        ActivateControl(Edit13);
        break;
    case TOptionsField::ExcludeMasks:
        ActivateControl(Edit14);
        break;
    }
    return false;
}

void TCompareDialog::ActivateControl(QWidget* control)
{
    if (control == nullptr || !control->isVisible() || !control->isEnabled() || control->focusPolicy() == Qt::NoFocus)
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->selectAll();
    control->setFocus(Qt::OtherFocusReason);
}

bool TCompareDialog::SelectFile(std::string& name, TSelectFileKind kind)
{
    bool result = false;
    if (OnSelectFile)
        OnSelectFile(this, name, result, kind);
    return result;
}

void TCompareDialog::NotifyFileAccess(const std::string& name, TFileAccessKind kind)
{
    if (OnFileAccess)
        OnFileAccess(this, name, kind);
}

bool TCompareDialog::ImportFile(const std::string& fileName)
{
    TCompareLoader loader;
    try {
        loader.LoadFromFile(fileName);
    } catch (const std::exception& error) {
        ReportFailureReason("cannot import the compare file", error.what());
        Messenger.ShowError("The program cannot load data from the file: " + fileName);
        return false;
    }
    if (!loader.IsSupported() &&
        !Messenger.AskAfterFailure("The progream does not support the file: " + fileName + "\r\n\r\nContinue?"))
        return false;
    SetOptions(loader.Options);
    NotifyFileAccess(fileName, akImported);
    return true;
}

bool TCompareDialog::ExportFile(const std::string& fileName)
{
    TCompareLoader loader;
    loader.Options = FOptions;
    try {
        loader.SaveToFile(fileName);
    } catch (const std::exception& error) {
        ReportFailureReason("cannot export the compare file", error.what());
        Messenger.ShowError("The program cannot save data to the file: " + fileName);
        return false;
    }
    NotifyFileAccess(fileName, akExported);
    return true;
}

void TCompareDialog::OpenItems(const std::vector<std::string>& names)
{
    if (names.size() != 1) {
        Messenger.ShowError("Set one item.");
        return;
    }
    std::string name = names.front();
    if (FileExists(name)) {
        if (!IsShortcutFileName(name)) {
            ImportFile(name);
            return;
        }
        name = ResolveShortcut(name);
    }
    TMessageDialog question;
    question.Caption = ApplicationTitle();
    question.Text = "Set the item to which?";
    question.Buttons = {"&Source", "&Destination", "Cancel"};
    question.Kind = mkWarning;
    question.DefaultButton = 0;
    question.CancelButton = 2;
    switch (Messenger.Execute(question)) {
    case 0:
        Edit11->setText(QtText(name));
        ActivateControl(Edit11);
        break;
    case 1:
        Edit12->setText(QtText(name));
        ActivateControl(Edit12);
        break;
    default:
        break;
    }
}

void TCompareDialog::WMDropFiles(const QMimeData& dropped)
{
    BringToForeground(this);
    const std::vector<std::string> names = DroppedFileNames(dropped);
    if (!names.empty())
        OpenItems(names);
}

void TCompareDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
    // Activation follows once the dialog's loop runs, as it does for a window coming up.
    QMetaObject::invokeMethod(
        this, [this] { FormActivate(); }, Qt::QueuedConnection);
}

void TCompareDialog::done(int result)
{
    if (FormCloseQuery(result))
        QDialog::done(result);
}

void TCompareDialog::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() != nullptr && CarriesLocalFiles(*event->mimeData()))
        event->acceptProposedAction();
}

void TCompareDialog::dropEvent(QDropEvent* event)
{
    if (event->mimeData() == nullptr)
        return;
    event->acceptProposedAction();
    WMDropFiles(*event->mimeData());
}

void TCompareDialog::FormShow()
{
    UpdateControls();
    // Enter is OK at every showing. A button that held the focus when the dialog closed (a
    // "..." whose browser was escaped, Cancel clicked) would get the focus back with the window
    // and, as Qt gives a focused button the default role, answer Enter in OK's place.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setDefault(button == Button1);
    Edit11->setFocus(Qt::OtherFocusReason);
}

void TCompareDialog::FormActivate()
{
    if (!isVisible())
        return;
    if (!FPendingItem.empty())
        OpenItems({FPendingItem});
    ActivateControl(Edit11);
}

bool TCompareDialog::FormCloseQuery(int result) { return result != QDialog::Accepted || ValidateControls(); }

void TCompareDialog::CheckBoxClick() { UpdateMaskEdits(); }

void TCompareDialog::Button11Click() { BrowseInto(Edit11, skSource); }

void TCompareDialog::Button12Click() { BrowseInto(Edit12, skDestination); }

void TCompareDialog::BrowseInto(QLineEdit* edit, TSelectFileKind kind)
{
    std::string name = TextOf(edit);
    if (!SelectFile(name, kind))
        return;
    edit->setText(QtText(name));
    ActivateControl(edit);
}

void TCompareDialog::Button3Click()
{
    std::string name;
    if (SelectFile(name, skImport))
        ImportFile(name);
}

void TCompareDialog::Button4Click()
{
    if (!ValidateControls())
        return;
    std::string name = "Untitled.vmc";
    if (SelectFile(name, skExport))
        ExportFile(name);
}

void TCompareDialog::Button5Click()
{
    const QString source = Edit11->text();
    Edit11->setText(Edit12->text());
    Edit12->setText(source);
    ActivateControl(focusWidget());
}

void TCompareDialog::Button6Click()
{
    SetOptions(TCompareOptions());
    UpdateControls();
    ActivateControl(focusWidget());
}
