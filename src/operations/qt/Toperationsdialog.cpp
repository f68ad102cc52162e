#include "operations/qt/Toperationsdialog.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "dialogs/Tdesignscale.h"
#include "dialogs/Tmessenger.h"
#include "operations/qt/Tloglistbox.h"
#include "sys/Failurereason.h"
#include "sys/Mysysutils.h"
#include "sys/Tshell.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtdesktop.h"
#include "sys/qt/Tqtmainthreadcaller.h"

TOperationsDialog::TOperationsDialog(TMessenger& messenger, TShell& shell, TMainThreadCaller& mainThread,
                                     QWidget* parent, TFileTransferMaker makeFiles)
    : QDialog(parent), Messenger(messenger), Shell(shell), MainThread(mainThread), MakeFiles(std::move(makeFiles))
{
    setObjectName(QStringLiteral("OperationsDialog"));
    setWindowTitle(tr("Operations"));
    CreateControls();
    CreatePopupMenu();
}

void TOperationsDialog::CreateControls()
{
    const TDesignScale scale(this);

    LogPanel = new QWidget(this);
    LogPanel->setObjectName(QStringLiteral("LogPanel"));
    LogLabel = new QLabel(tr("&Log:"), LogPanel);
    LogLabel->setObjectName(QStringLiteral("LogLabel"));
    LogLabel->setMinimumHeight(scale(25));
    LogLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LogList = new TLogListBox(LogPanel);
    LogList->setObjectName(QStringLiteral("LogList"));
    // A list view takes no name from its label.
    LogList->setAccessibleName(tr("Log"));
    // The design's line height, unless the font needs more.
    LogList->SetLineHeight(std::max(scale(15), LogList->fontMetrics().height() + 2));
    LogLabel->setBuddy(LogList);
    ProgressBar = new QProgressBar(LogPanel);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setAccessibleName(tr("Progress"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setMinimumHeight(scale(24));
    ProgressBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* logPanelLayout = new QVBoxLayout(LogPanel);
    logPanelLayout->setContentsMargins(scale(8), scale(4), scale(7), 0);
    logPanelLayout->setSpacing(0);
    logPanelLayout->addWidget(LogLabel);
    logPanelLayout->addWidget(LogList, 1);
    ReasonLabel = new QLabel(LogPanel);
    ReasonLabel->setObjectName(QStringLiteral("ReasonLabel"));
    ReasonLabel->setAccessibleName(tr("Reason of the current line"));
    ReasonLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ReasonLabel->setMinimumHeight(scale(21));
    logPanelLayout->addWidget(ReasonLabel);
    connect(LogList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TOperationsDialog::ShowCurrentReason);
    logPanelLayout->addSpacing(scale(6));
    logPanelLayout->addWidget(ProgressBar);
    MeterLabel = new QLabel(LogPanel);
    MeterLabel->setObjectName(QStringLiteral("MeterLabel"));
    MeterLabel->setMinimumHeight(scale(21));
    logPanelLayout->addWidget(MeterLabel);
    MeterTimer = new QTimer(this);
    MeterTimer->setInterval(250);
    connect(MeterTimer, &QTimer::timeout, this, &TOperationsDialog::ShowMeter);
    VerifyCheck = new QCheckBox(tr("&Verify copies"), LogPanel);
    VerifyCheck->setObjectName(QStringLiteral("VerifyCheck"));
    TrashCheck = new QCheckBox(tr("Put replaced and deleted files in the &trash"), LogPanel);
    TrashCheck->setObjectName(QStringLiteral("TrashCheck"));
    auto* switchesLayout = new QHBoxLayout;
    switchesLayout->setSpacing(scale(16));
    switchesLayout->addWidget(VerifyCheck);
    switchesLayout->addWidget(TrashCheck);
    switchesLayout->addStretch(1);
    logPanelLayout->addSpacing(scale(6));
    logPanelLayout->addLayout(switchesLayout);

    ButtonPanel = new QWidget(this);
    ButtonPanel->setObjectName(QStringLiteral("ButtonPanel"));
    auto* buttonPanelLayout = new QHBoxLayout(ButtonPanel);
    buttonPanelLayout->setContentsMargins(0, scale(8), scale(7), scale(7));
    buttonPanelLayout->setSpacing(scale(7));
    buttonPanelLayout->addStretch(1);
    const auto addButton = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, ButtonPanel);
        button->setObjectName(QString::fromLatin1(name));
        button->setMinimumSize(scale(97, 33));
        buttonPanelLayout->addWidget(button, 0, Qt::AlignTop);
        return button;
    };
    MoveButton = addButton("MoveButton", tr("&Move"));
    CopyButton = addButton("CopyButton", tr("&Copy"));
    DeleteButton = addButton("DeleteButton", tr("&Delete..."));
    RemoveButton = addButton("RemoveButton", tr("&Remove from destination..."));
    MirrorButton = addButton("MirrorButton", tr("M&irror..."));
    CloseButton = addButton("CloseButton", tr("Cancel"));
    CloseButton->setDefault(true);
    for (QPushButton* button : {MoveButton, CopyButton, DeleteButton, RemoveButton, MirrorButton})
        connect(button, &QPushButton::clicked, this, [this, button] { OperationButtonClick(button); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(LogPanel, 1);
    layout->addWidget(ButtonPanel);

    setTabOrder(LogList, ProgressBar);
    setTabOrder(ProgressBar, VerifyCheck);
    setTabOrder(VerifyCheck, TrashCheck);
    setTabOrder(TrashCheck, MoveButton);
    setTabOrder(MoveButton, CopyButton);
    setTabOrder(CopyButton, DeleteButton);
    setTabOrder(DeleteButton, RemoveButton);
    setTabOrder(RemoveButton, MirrorButton);
    setTabOrder(MirrorButton, CloseButton);
    // The design's size, unless the font needs more, is the smallest; a larger dialog gives
    // the room to the log.
    setMinimumSize(sizeHint().expandedTo(scale(480, 360)));
    resize(minimumSize());
}

void TOperationsDialog::CreatePopupMenu()
{
    LogMenu = new QMenu(this);
    LogMenu->setObjectName(QStringLiteral("LogMenu"));
    CopySelectionAction = AddPopupItem("CopySelectionAction", tr("&Copy Selection"), QKeySequence(tr("Ctrl+C")));
    CopyAllAction = AddPopupItem("CopyAllAction", tr("Copy &All"), QKeySequence(tr("Ctrl+Shift+C")));
    LogMenuSeparator = LogMenu->addSeparator();
    LogMenuSeparator->setObjectName(QStringLiteral("LogMenuSeparator"));
    SelectAllAction = AddPopupItem("SelectAllAction", tr("&Select All"), QKeySequence(tr("Ctrl+A")));
    SelectNoneAction = AddPopupItem("SelectNoneAction", tr("Select &None"), QKeySequence(tr("Ctrl+Shift+A")));
    InvertSelectionAction = AddPopupItem("InvertSelectionAction", tr("&Invert Selection"), QKeySequence());
    for (QAction* item : {CopySelectionAction, CopyAllAction})
        connect(item, &QAction::triggered, this, [this, item] { CopyLinesClick(item); });
    for (QAction* item : {SelectAllAction, SelectNoneAction, InvertSelectionAction})
        connect(item, &QAction::triggered, this, [this, item] { SelectLinesClick(item); });

    LogList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LogList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { LogMenu->popup(LogList->viewport()->mapToGlobal(position)); });
}

QAction* TOperationsDialog::AddPopupItem(const char* name, const QString& caption, const QKeySequence& shortcut)
{
    QAction* item = LogMenu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(shortcut);
    // The shortcuts act while the log has the focus, as the menu's items act on the log.
    item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    LogList->addAction(item);
    return item;
}

void TOperationsDialog::Execute(const std::vector<TCompareItem>& items, const TCompareRoots& roots,
                                const TDestinationSide* destination)
{
    Items = &items;
    Roots = roots;
    Destination = destination;
    RemoveButton->setVisible(destination != nullptr);
    MirrorButton->setVisible(destination != nullptr);
    // Files removed from a backup go to the trash unless the user turns it off.
    if (destination != nullptr)
        TrashCheck->setChecked(true);
    CentreOnScreen(this);
    RunModal(*this);
    Items = nullptr;
    Destination = nullptr;
}

void TOperationsDialog::OperationsThreadLog(const std::string& line, const std::optional<TTransferOutcome>& outcome)
{
    AddLogLine(line, outcome ? ReasonText(*outcome) : std::string());
}

void TOperationsDialog::OperationsThreadProgress(std::int32_t position, std::int32_t maximum)
{
    // A run's bar follows its bytes where it has any, which the meter reads from the run.
    if (Running())
        ShowMeter();
    else
        SetProgress(position, maximum);
}

void TOperationsDialog::OperationsThreadEnd(const TJobEnd<TOperationsCounts>& end)
{
    if (end.Failed())
        ReportFailureReason("the operation failed", end.FailureReason);
    MeterTimer->stop();
    // However the run ended, a rate or a time left would tell of a run still going.
    Meter.End(end.Result.Items, end.Result.Bytes);
    MeterLabel->setText(QString::fromStdString(Meter.Text()));
    LogList->ShowQueued();
    ProgressBar->setValue(0);
    CloseButton->setEnabled(true);
    CloseButton->setText(tr("OK"));
    CloseButton->setFocus();
    RunEndHandled = true;
}

void TOperationsDialog::ClearLog()
{
    LogList->Clear();
    ReasonLabel->clear();
}

void TOperationsDialog::AddLogLine(const std::string& line, const std::string& reason)
{
    LogList->AddLine(line, reason);
}

void TOperationsDialog::ShowCurrentReason()
{
    const QModelIndex current = LogList->currentIndex();
    const std::string reason = current.isValid() ? LogList->Reason(current.row()) : std::string();
    ReasonLabel->setText(reason.empty() ? QString() : tr("Reason: %1").arg(QString::fromStdString(reason)));
}

void TOperationsDialog::SetProgress(std::int32_t position, std::int32_t maximum)
{
    ProgressBar->setValue(ProgressPercent(position, maximum));
}

std::vector<std::string> TOperationsDialog::GetSelectedLines() const
{
    std::vector<std::string> lines;
    const std::vector<std::string>& all = LogList->Lines();
    for (const std::int32_t row : LogList->SelectedRows())
        lines.push_back(all[static_cast<std::size_t>(row)]);
    return lines;
}

std::vector<std::string> TOperationsDialog::GetAllLines() const { return LogList->Lines(); }

std::int32_t TOperationsDialog::HorizontalExtent() const { return LogList->HorizontalExtent(); }

TTransferOptions TOperationsDialog::Switches() const { return {VerifyCheck->isChecked(), TrashCheck->isChecked()}; }

void TOperationsDialog::SetSwitches(const TTransferOptions& switches)
{
    VerifyCheck->setChecked(switches.Verify);
    TrashCheck->setChecked(switches.Trash);
}

bool TOperationsDialog::RemovalsConfirmed(const std::vector<TCompareItem>& items)
{
    const TRemovalCheck check = CheckRemovals(items, Roots.Source(), Destination->Files);
    if (check.Removals == 0)
        return true;
    if (!check.Refusal.empty()) {
        Messenger.ShowError(check.Refusal);
        return false;
    }
    const std::string count = GroupDigits(std::to_string(check.Removals));
    if (check.MostFiles &&
        !Messenger.Confirm(count + " of the destination's " + GroupDigits(std::to_string(Destination->Files)) +
                           " files would be removed, more than half.\r\n\r\nContinue?"))
        return false;
    return Messenger.Confirm(TrashCheck->isChecked()
                                 ? count + " files only in the destination go to the trash.\r\n\r\nContinue?"
                                 : "Deleted files cannot be restored.\r\n\r\nContinue?");
}

void TOperationsDialog::OperationButtonClick(QPushButton* sender)
{
    static const std::vector<TCompareItem> none;
    TFileOperation operation = foCopy;
    std::vector<TCompareItem> mirrored;
    const std::vector<TCompareItem>* items = Items != nullptr ? Items : &none;
    if (sender == MoveButton) {
        operation = foMove;
    } else if (sender == DeleteButton) {
        if (!Messenger.Confirm(TrashCheck->isChecked() ? "Deleted files go to the trash.\r\n\r\nContinue?"
                                                       : "Deleted files cannot be restored.\r\n\r\nContinue?"))
            return;
        operation = foDelete;
    } else if (sender == RemoveButton || sender == MirrorButton) {
        operation = sender == RemoveButton ? foRemove : foMirror;
        if (operation == foMirror) {
            mirrored = MirrorOrder(*items, MirrorKinds());
            items = &mirrored;
        }
        if (!RemovalsConfirmed(*items))
            return;
    }
    ClearLog();
    ProgressBar->setValue(0);
    // The focus leaves the button in hand before it is disabled, so that it lands on Cancel.
    CloseButton->setEnabled(true);
    CloseButton->setText(tr("Cancel"));
    CloseButton->setFocus();
    for (QWidget* control : std::initializer_list<QWidget*>{MoveButton, CopyButton, DeleteButton, RemoveButton,
                                                            MirrorButton, VerifyCheck, TrashCheck})
        control->setEnabled(false);

    const TTransferRoots roots = TransferRoots(Roots);
    auto thread = std::make_unique<TOperationsThread>(*items, operation, Roots, MainThread,
                                                      MakeFiles ? MakeFiles(roots, Switches())
                                                                : std::make_unique<TFileTransfer>(roots, Switches()));
    thread->Jobs = CopyJobs;
    if (operation == foMirror)
        thread->DestinationOnlyFolders = Destination->OnlyFolders;
    Meter.Start(static_cast<std::int64_t>(thread->Items.size()), SourceBytes(thread->Items),
                TTransferMeter::TClock::now());
    thread->SetOnLog([this](const std::string& line, const std::optional<TTransferOutcome>& outcome) {
        OperationsThreadLog(line, outcome);
    });
    thread->SetOnProgress(
        [this](std::int32_t position, std::int32_t maximum) { OperationsThreadProgress(position, maximum); });
    thread->SetOnEnd([this](const TJobEnd<TOperationsCounts>& end) { OperationsThreadEnd(end); });
    RunThread = std::move(thread);
    RunEndHandled = false;
    ShowMeter();
    MeterTimer->start();
    RunThread->Resume();
}

void TOperationsDialog::ShowMeter()
{
    if (!Running())
        return;
    const TOperationsCounts counts = RunThread->Counts();
    Meter.Sample(counts.Items, counts.Bytes, TTransferMeter::TClock::now());
    MeterLabel->setText(QString::fromStdString(Meter.Text()));
    ProgressBar->setValue(Meter.Percent());
}

void TOperationsDialog::CopyLinesClick(QAction* sender)
{
    JoinToClipboard(sender == CopyAllAction ? GetAllLines() : GetSelectedLines());
}

void TOperationsDialog::JoinToClipboard(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    Shell.SetClipboardText(text);
}

void TOperationsDialog::SelectLinesClick(QAction* sender)
{
    if (sender == SelectAllAction)
        LogList->SelectAllLines();
    else if (sender == SelectNoneAction)
        LogList->SelectNoLines();
    else if (sender == InvertSelectionAction)
        LogList->InvertSelection();
}

void TOperationsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TOperationsDialog::done(int result)
{
    if (!FormCloseQuery())
        return;
    FormClose();
    QDialog::done(result);
}

void TOperationsDialog::FormShow()
{
    MeterLabel->setText(QString::fromStdString(TTransferMeter::PlanText(
        Items != nullptr ? static_cast<std::int64_t>(Items->size()) : 0, Items != nullptr ? SourceBytes(*Items) : 0)));
    ClearLog();
    ProgressBar->setValue(0);
    for (QWidget* control : std::initializer_list<QWidget*>{MoveButton, CopyButton, DeleteButton, RemoveButton,
                                                            MirrorButton, CloseButton, VerifyCheck, TrashCheck})
        control->setEnabled(true);
    CloseButton->setText(tr("Cancel"));
    CopyButton->setFocus();
}

bool TOperationsDialog::FormCloseQuery()
{
    if (!Running() || RunEndHandled)
        return true;
    // The thread stops the file in hand between two of its pieces; its end handler then lets the
    // dialog close. Until then the button tells that the stop is under way.
    RunThread->Terminate();
    CloseButton->setEnabled(false);
    CloseButton->setText(tr("Stopping..."));
    return false;
}

void TOperationsDialog::FormClose()
{
    ClearLog();
    // Its end notification has returned, but it may need this thread once more to tell that
    // its data is gone; the release must not shut that out.
    if (RunThread != nullptr)
        ServeWorkersUntil([this] { return RunThread->Ended(); });
    RunThread.reset();
}
