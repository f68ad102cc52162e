#include "operations/qt/Toperationsdialog.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/Tdesignscale.h"
#include "dialogs/Tmessenger.h"
#include "operations/qt/Tloglistbox.h"
#include "sys/Failurereason.h"
#include "sys/Mysysutils.h"
#include "sys/Tshell.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtdesktop.h"

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

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Label1 = new QLabel(tr("&Log:"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMinimumHeight(scale(25));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ListBox1 = new TLogListBox(Panel1);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    // A list view takes no name from its label.
    ListBox1->setAccessibleName(tr("Log"));
    // The design's line height, unless the font needs more.
    ListBox1->SetLineHeight(std::max(scale(15), ListBox1->fontMetrics().height() + 2));
    Label1->setBuddy(ListBox1);
    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(tr("Progress"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setMinimumHeight(scale(24));
    ProgressBar1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* panel1Layout = new QVBoxLayout(Panel1);
    panel1Layout->setContentsMargins(scale(8), scale(4), scale(7), 0);
    panel1Layout->setSpacing(0);
    panel1Layout->addWidget(Label1);
    panel1Layout->addWidget(ListBox1, 1);
    panel1Layout->addSpacing(scale(6));
    panel1Layout->addWidget(ProgressBar1);
    Label2 = new QLabel(Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setMinimumHeight(scale(21));
    panel1Layout->addWidget(Label2);
    MeterTimer = new QTimer(this);
    MeterTimer->setInterval(250);
    connect(MeterTimer, &QTimer::timeout, this, &TOperationsDialog::ShowMeter);
    CheckBox1 = new QCheckBox(tr("&Verify copies"), Panel1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(tr("Put replaced and deleted files in the &trash"), Panel1);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    auto* switchesLayout = new QHBoxLayout;
    switchesLayout->setSpacing(scale(16));
    switchesLayout->addWidget(CheckBox1);
    switchesLayout->addWidget(CheckBox2);
    switchesLayout->addStretch(1);
    panel1Layout->addSpacing(scale(6));
    panel1Layout->addLayout(switchesLayout);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* panel2Layout = new QHBoxLayout(Panel2);
    panel2Layout->setContentsMargins(0, scale(8), scale(7), scale(7));
    panel2Layout->setSpacing(scale(7));
    panel2Layout->addStretch(1);
    const auto addButton = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, Panel2);
        button->setObjectName(QString::fromLatin1(name));
        button->setMinimumSize(scale(97, 33));
        panel2Layout->addWidget(button, 0, Qt::AlignTop);
        return button;
    };
    Button1 = addButton("Button1", tr("&Move"));
    Button2 = addButton("Button2", tr("&Copy"));
    Button3 = addButton("Button3", tr("&Delete..."));
    Button4 = addButton("Button4", tr("Cancel"));
    Button4->setDefault(true);
    for (QPushButton* button : {Button1, Button2, Button3})
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonClick(button); });
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1, 1);
    layout->addWidget(Panel2);

    setTabOrder(ListBox1, ProgressBar1);
    setTabOrder(ProgressBar1, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    // The design's size, unless the font needs more, is the smallest; a larger dialog gives
    // the room to the log.
    setMinimumSize(sizeHint().expandedTo(scale(480, 360)));
    resize(minimumSize());
}

void TOperationsDialog::CreatePopupMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    CopySelectionM1 = AddPopupItem("CopySelectionM1", tr("&Copy Selection"), QKeySequence(tr("Ctrl+C")));
    CopyAllM1 = AddPopupItem("CopyAllM1", tr("Copy &All"), QKeySequence(tr("Ctrl+Shift+C")));
    SeparatorM1 = PopupMenu1->addSeparator();
    SeparatorM1->setObjectName(QStringLiteral("SeparatorM1"));
    SelectAllM1 = AddPopupItem("SelectAllM1", tr("&Select All"), QKeySequence(tr("Ctrl+A")));
    SelectNoneM1 = AddPopupItem("SelectNoneM1", tr("Select &None"), QKeySequence(tr("Ctrl+Shift+A")));
    InvertSelectionM1 = AddPopupItem("InvertSelectionM1", tr("&Invert Selection"), QKeySequence());
    for (QAction* item : {CopySelectionM1, CopyAllM1})
        connect(item, &QAction::triggered, this, [this, item] { CopySelectionM1Click(item); });
    for (QAction* item : {SelectAllM1, SelectNoneM1, InvertSelectionM1})
        connect(item, &QAction::triggered, this, [this, item] { SelectAllM1Click(item); });

    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(position)); });
}

QAction* TOperationsDialog::AddPopupItem(const char* name, const QString& caption, const QKeySequence& shortcut)
{
    QAction* item = PopupMenu1->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(shortcut);
    // The shortcuts act while the log has the focus, as the menu's items act on the log.
    item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ListBox1->addAction(item);
    return item;
}

void TOperationsDialog::Execute(const std::vector<std::string>& sources, const std::vector<std::string>& destinations,
                                const TTransferRoots& roots, const std::vector<TSeenFiles>& seen)
{
    Sources = &sources;
    Destinations = &destinations;
    Roots = roots;
    Seen = &seen;
    CentreOnScreen(this);
    RunModal(*this);
    Sources = nullptr;
    Destinations = nullptr;
    Seen = nullptr;
}

void TOperationsDialog::OperationsThreadLog(TReportThread*, const std::string& line) { AddLogLine(line); }

void TOperationsDialog::OperationsThreadProgress(TReportThread*, std::int32_t position, std::int32_t maximum)
{
    // A run's bar follows its bytes where it has any, which the meter reads from the run.
    if (RunThread != nullptr)
        ShowMeter();
    else
        SetProgress(position, maximum);
}

void TOperationsDialog::OperationsThreadTerminate(TReportThread* sender)
{
    if (sender->Failed)
        ReportFailureReason("the operation failed", sender->FailureReason);
    MeterTimer->stop();
    // However the run ended, a rate or a time left would tell of a run still going.
    const auto* run = static_cast<TOperationsThread*>(sender);
    Meter.End(run->ItemsDone, run->BytesDone);
    Label2->setText(QString::fromStdString(Meter.Text()));
    ListBox1->ShowQueued();
    ProgressBar1->setValue(0);
    Button4->setEnabled(true);
    Button4->setText(tr("OK"));
    Button4->setFocus();
    RunThread = nullptr;
}

void TOperationsDialog::ClearLog() { ListBox1->Clear(); }

void TOperationsDialog::AddLogLine(const std::string& line) { ListBox1->AddLine(line); }

void TOperationsDialog::SetProgress(std::int32_t position, std::int32_t maximum)
{
    ProgressBar1->setValue(ProgressPercent(position, maximum));
}

std::vector<std::string> TOperationsDialog::GetSelectedLines() const
{
    std::vector<std::string> lines;
    const std::vector<std::string>& all = ListBox1->Lines();
    for (const std::int32_t row : ListBox1->SelectedRows())
        lines.push_back(all[static_cast<std::size_t>(row)]);
    return lines;
}

std::vector<std::string> TOperationsDialog::GetAllLines() const { return ListBox1->Lines(); }

std::int32_t TOperationsDialog::HorizontalExtent() const { return ListBox1->HorizontalExtent(); }

TTransferOptions TOperationsDialog::Switches() const { return {CheckBox1->isChecked(), CheckBox2->isChecked()}; }

void TOperationsDialog::SetSwitches(const TTransferOptions& switches)
{
    CheckBox1->setChecked(switches.Verify);
    CheckBox2->setChecked(switches.Trash);
}

void TOperationsDialog::ButtonClick(QPushButton* sender)
{
    TFileOperation operation = foCopy;
    if (sender == Button1) {
        operation = foMove;
    } else if (sender == Button3) {
        if (!Messenger.Confirm(CheckBox2->isChecked() ? "Deleted files go to the trash.\r\n\r\nContinue?"
                                                      : "Deleted files cannot be restored.\r\n\r\nContinue?"))
            return;
        operation = foDelete;
    }
    ClearLog();
    ProgressBar1->setValue(0);
    // The focus leaves the button in hand before it is disabled, so that it lands on Cancel.
    Button4->setEnabled(true);
    Button4->setText(tr("Cancel"));
    Button4->setFocus();
    for (QWidget* control : std::initializer_list<QWidget*>{Button1, Button2, Button3, CheckBox1, CheckBox2})
        control->setEnabled(false);

    static const std::vector<std::string> none;
    auto* thread = new TOperationsThread(
        Sources != nullptr ? *Sources : none, operation, Destinations != nullptr ? *Destinations : none, MainThread,
        MakeFiles ? MakeFiles(Roots, Switches()) : std::make_unique<TFileTransfer>(Roots, Switches()));
    if (Seen != nullptr)
        thread->Seen = *Seen;
    Meter.Start(static_cast<std::int64_t>(thread->Sources.size()), SourceBytes(thread->Seen),
                TTransferMeter::TClock::now());
    thread->OnLog = [this](TReportThread* s, const std::string& line) { OperationsThreadLog(s, line); };
    thread->OnProgress = [this](TReportThread* s, std::int32_t position, std::int32_t maximum) {
        OperationsThreadProgress(s, position, maximum);
    };
    thread->OnTerminate = [this](TReportThread* s) { OperationsThreadTerminate(s); };
    RunThread = thread;
    ShowMeter();
    MeterTimer->start();
    thread->Resume();
}

void TOperationsDialog::ShowMeter()
{
    if (RunThread == nullptr)
        return;
    Meter.Sample(RunThread->ItemsDone, RunThread->BytesDone, TTransferMeter::TClock::now());
    Label2->setText(QString::fromStdString(Meter.Text()));
    ProgressBar1->setValue(Meter.Percent());
}

void TOperationsDialog::CopySelectionM1Click(QAction* sender)
{
    JoinToClipboard(sender == CopyAllM1 ? GetAllLines() : GetSelectedLines());
}

void TOperationsDialog::JoinToClipboard(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    Shell.SetClipboardText(text);
}

void TOperationsDialog::SelectAllM1Click(QAction* sender)
{
    if (sender == SelectAllM1)
        ListBox1->SelectAllLines();
    else if (sender == SelectNoneM1)
        ListBox1->SelectNoLines();
    else if (sender == InvertSelectionM1)
        ListBox1->InvertSelection();
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
    Label2->setText(QString::fromStdString(
        TTransferMeter::PlanText(Sources != nullptr ? static_cast<std::int64_t>(Sources->size()) : 0,
                                 Seen != nullptr ? SourceBytes(*Seen) : 0)));
    ClearLog();
    ProgressBar1->setValue(0);
    for (QWidget* control : std::initializer_list<QWidget*>{Button1, Button2, Button3, Button4, CheckBox1, CheckBox2})
        control->setEnabled(true);
    Button4->setText(tr("Cancel"));
    Button2->setFocus();
}

bool TOperationsDialog::FormCloseQuery()
{
    if (RunThread == nullptr)
        return true;
    // The thread stops the file in hand between two of its pieces; its end handler then lets the
    // dialog close. Until then the button tells that the stop is under way.
    RunThread->Terminate();
    Button4->setEnabled(false);
    Button4->setText(tr("Stopping..."));
    return false;
}

void TOperationsDialog::FormClose() { ClearLog(); }
