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

    FilesGroup = groupBox("FilesGroup", tr("Files"));
    SourceEdit = edit(FilesGroup, "SourceEdit", 201);
    SourceLabel = label(FilesGroup, "SourceLabel", tr("S&ource:"), SourceEdit);
    SourceBrowseButton = button(FilesGroup, "SourceBrowseButton", QStringLiteral("..."), browseSize);
    SourceBrowseButton->setFixedSize(browseSize);
    SourceBrowseButton->setAccessibleName(tr("Browse for the source"));
    DestinationEdit = edit(FilesGroup, "DestinationEdit", 201);
    DestinationLabel = label(FilesGroup, "DestinationLabel", tr("&Destination:"), DestinationEdit);
    DestinationBrowseButton = button(FilesGroup, "DestinationBrowseButton", QStringLiteral("..."), browseSize);
    DestinationBrowseButton->setFixedSize(browseSize);
    DestinationBrowseButton->setAccessibleName(tr("Browse for the destination"));
    IncludeCheckBox = checkBox(FilesGroup, "IncludeCheckBox", tr("I&nclude:"));
    IncludeCheckBox->setMinimumWidth(scale(89));
    IncludeEdit = edit(FilesGroup, "IncludeEdit", 241);
    // Its check box is no label, so the field would be called after the group.
    IncludeEdit->setAccessibleName(tr("Include masks"));
    ExcludeCheckBox = checkBox(FilesGroup, "ExcludeCheckBox", tr("E&xclude:"));
    ExcludeCheckBox->setMinimumWidth(scale(89));
    ExcludeEdit = edit(FilesGroup, "ExcludeEdit", 241);
    ExcludeEdit->setAccessibleName(tr("Exclude masks"));
    SubdirectoriesCheckBox = checkBox(FilesGroup, "SubdirectoriesCheckBox", tr("In&clude subdirectories"));
    QGridLayout* files = groupLayout(FilesGroup);
    files->addWidget(SourceLabel, 0, 0);
    files->addWidget(SourceEdit, 0, 1);
    files->addWidget(SourceBrowseButton, 0, 2);
    files->addWidget(DestinationLabel, 1, 0);
    files->addWidget(DestinationEdit, 1, 1);
    files->addWidget(DestinationBrowseButton, 1, 2);
    files->addWidget(IncludeCheckBox, 2, 0);
    files->addWidget(IncludeEdit, 2, 1, 1, 2);
    files->addWidget(ExcludeCheckBox, 3, 0);
    files->addWidget(ExcludeEdit, 3, 1, 1, 2);
    files->addWidget(SubdirectoriesCheckBox, 4, 0, 1, 3);
    files->setColumnStretch(1, 1);

    CompareGroup = groupBox("CompareGroup", tr("Compare"));
    FatPrecisionCheckBox = checkBox(CompareGroup, "FatPrecisionCheckBox", tr("Co&mpare file time at FAT precision"));
    HourShiftCheckBox = checkBox(CompareGroup, "HourShiftCheckBox", tr("Ignore &time shifts of exactly one hour"));
    ContentsCheckBox = checkBox(CompareGroup, "ContentsCheckBox", tr("Com&pare contents"));
    QGridLayout* compare = groupLayout(CompareGroup);
    compare->addWidget(FatPrecisionCheckBox, 0, 0);
    compare->addWidget(HourShiftCheckBox, 1, 0);
    compare->addWidget(ContentsCheckBox, 2, 0);

    ResultsGroup = groupBox("ResultsGroup", tr("Results"));
    NotModifiedCheckBox = checkBox(ResultsGroup, "NotModifiedCheckBox", tr("S&how not modified items"));
    DestinationOnlyCheckBox =
        checkBox(ResultsGroup, "DestinationOnlyCheckBox", tr("Sho&w files only in the destination"));
    QGridLayout* results = groupLayout(ResultsGroup);
    results->addWidget(NotModifiedCheckBox, 0, 0);
    results->addWidget(DestinationOnlyCheckBox, 1, 0);

    const QSize buttonSize = scale(97, 33);
    OkButton = button(this, "OkButton", tr("OK"), buttonSize);
    OkButton->setDefault(true);
    CancelButton = button(this, "CancelButton", tr("Cancel"), buttonSize);
    ImportButton = button(this, "ImportButton", tr("&Import..."), buttonSize);
    ExportButton = button(this, "ExportButton", tr("&Export..."), buttonSize);
    SwapButton = button(this, "SwapButton", tr("&Swap"), buttonSize);
    ResetButton = button(this, "ResetButton", tr("&Reset"), buttonSize);

    auto* groups = new QVBoxLayout;
    groups->setSpacing(scale(7));
    groups->addWidget(FilesGroup);
    groups->addWidget(CompareGroup);
    groups->addWidget(ResultsGroup);
    groups->addStretch();

    // The buttons come in pairs: OK and Cancel, Import and Export, Swap and Reset.
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(0);
    buttons->addSpacing(scale(8));
    const std::pair<QPushButton*, QPushButton*> pairs[] = {
        {OkButton, CancelButton}, {ImportButton, ExportButton}, {SwapButton, ResetButton}};
    for (const auto& [first, second] : pairs) {
        if (first != OkButton)
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

    QWidget* tabOrder[] = {SourceEdit,
                           SourceBrowseButton,
                           DestinationEdit,
                           DestinationBrowseButton,
                           IncludeCheckBox,
                           IncludeEdit,
                           ExcludeCheckBox,
                           ExcludeEdit,
                           SubdirectoriesCheckBox,
                           FatPrecisionCheckBox,
                           HourShiftCheckBox,
                           ContentsCheckBox,
                           NotModifiedCheckBox,
                           DestinationOnlyCheckBox,
                           OkButton,
                           CancelButton,
                           ImportButton,
                           ExportButton,
                           SwapButton,
                           ResetButton};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(IncludeCheckBox, &QCheckBox::clicked, this, &TCompareDialog::MaskSwitchClicked);
    connect(ExcludeCheckBox, &QCheckBox::clicked, this, &TCompareDialog::MaskSwitchClicked);
    connect(SourceBrowseButton, &QPushButton::clicked, this, &TCompareDialog::BrowseSource);
    connect(DestinationBrowseButton, &QPushButton::clicked, this, &TCompareDialog::BrowseDestination);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ImportButton, &QPushButton::clicked, this, &TCompareDialog::Import);
    connect(ExportButton, &QPushButton::clicked, this, &TCompareDialog::Export);
    connect(SwapButton, &QPushButton::clicked, this, &TCompareDialog::Swap);
    connect(ResetButton, &QPushButton::clicked, this, &TCompareDialog::Reset);
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
    SourceEdit->setText(QtText(FOptions.SrcDir));
    DestinationEdit->setText(QtText(FOptions.DstDir));
    IncludeCheckBox->setChecked(FOptions.UseIncludeMasks);
    IncludeEdit->setText(QtText(FOptions.IncludeMasks));
    ExcludeCheckBox->setChecked(FOptions.UseExcludeMasks);
    ExcludeEdit->setText(QtText(FOptions.ExcludeMasks));
    SubdirectoriesCheckBox->setChecked(FOptions.IncludeSubDirs);
    FatPrecisionCheckBox->setChecked(FOptions.FatPrecision);
    HourShiftCheckBox->setChecked(FOptions.IgnoreHourShift);
    ContentsCheckBox->setChecked(FOptions.CompareContents);
    DestinationOnlyCheckBox->setChecked(FOptions.ShowDestinationOnly);
    NotModifiedCheckBox->setChecked(FOptions.ShowNotModified);
    UpdateMaskEdits();
}

void TCompareDialog::UpdateMaskEdits()
{
    IncludeEdit->setEnabled(IncludeCheckBox->isChecked());
    ExcludeEdit->setEnabled(ExcludeCheckBox->isChecked());
}

TCompareOptions TCompareDialog::ControlOptions() const
{
    TCompareOptions options;
    options.SrcDir = TextOf(SourceEdit);
    options.DstDir = TextOf(DestinationEdit);
    options.UseIncludeMasks = IncludeCheckBox->isChecked();
    options.IncludeMasks = TextOf(IncludeEdit);
    options.UseExcludeMasks = ExcludeCheckBox->isChecked();
    options.ExcludeMasks = TextOf(ExcludeEdit);
    options.IncludeSubDirs = SubdirectoriesCheckBox->isChecked();
    options.FatPrecision = FatPrecisionCheckBox->isChecked();
    options.IgnoreHourShift = HourShiftCheckBox->isChecked();
    options.CompareContents = ContentsCheckBox->isChecked();
    options.ShowDestinationOnly = DestinationOnlyCheckBox->isChecked();
    options.ShowNotModified = NotModifiedCheckBox->isChecked();
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
        ActivateControl(SourceEdit);
        break;
    case TOptionsField::DstDir:
        ActivateControl(DestinationEdit);
        break;
    case TOptionsField::IncludeMasks:
        ActivateControl(IncludeEdit);
        break;
    case TOptionsField::ExcludeMasks:
        ActivateControl(ExcludeEdit);
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
        SourceEdit->setText(QtText(name));
        ActivateControl(SourceEdit);
        break;
    case 1:
        DestinationEdit->setText(QtText(name));
        ActivateControl(DestinationEdit);
        break;
    default:
        break;
    }
}

void TCompareDialog::OpenDropped(const QMimeData& dropped)
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
    OpenDropped(*event->mimeData());
}

void TCompareDialog::FormShow()
{
    UpdateControls();
    // Enter is OK at every showing. A button that held the focus when the dialog closed (a
    // "..." whose browser was escaped, Cancel clicked) would get the focus back with the window
    // and, as Qt gives a focused button the default role, answer Enter in OK's place.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setDefault(button == OkButton);
    SourceEdit->setFocus(Qt::OtherFocusReason);
}

void TCompareDialog::FormActivate()
{
    if (!isVisible())
        return;
    if (!FPendingItem.empty())
        OpenItems({FPendingItem});
    ActivateControl(SourceEdit);
}

bool TCompareDialog::FormCloseQuery(int result) { return result != QDialog::Accepted || ValidateControls(); }

void TCompareDialog::MaskSwitchClicked() { UpdateMaskEdits(); }

void TCompareDialog::BrowseSource() { BrowseInto(SourceEdit, skSource); }

void TCompareDialog::BrowseDestination() { BrowseInto(DestinationEdit, skDestination); }

void TCompareDialog::BrowseInto(QLineEdit* edit, TSelectFileKind kind)
{
    std::string name = TextOf(edit);
    if (!SelectFile(name, kind))
        return;
    edit->setText(QtText(name));
    ActivateControl(edit);
}

void TCompareDialog::Import()
{
    std::string name;
    if (SelectFile(name, skImport))
        ImportFile(name);
}

void TCompareDialog::Export()
{
    if (!ValidateControls())
        return;
    std::string name = "Untitled.vmc";
    if (SelectFile(name, skExport))
        ExportFile(name);
}

void TCompareDialog::Swap()
{
    const QString source = SourceEdit->text();
    SourceEdit->setText(DestinationEdit->text());
    DestinationEdit->setText(source);
    ActivateControl(focusWidget());
}

void TCompareDialog::Reset()
{
    SetOptions(TCompareOptions());
    UpdateControls();
    ActivateControl(focusWidget());
}
