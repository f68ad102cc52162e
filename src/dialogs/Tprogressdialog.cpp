#include "dialogs/Tprogressdialog.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "compare/Twalkcount.h"
#include "dialogs/Tdesignscale.h"
#include "jobs/Treportthread.h"
#include "sys/Mysysutils.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtdesktop.h"
#include "sys/qt/Tqtmainthreadcaller.h"

TProgressDialog::TProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowTitle(tr("Progress"));
    const TDesignScale scale(this);

    TextLabel = new QLabel(this);
    TextLabel->setObjectName(QStringLiteral("TextLabel"));
    TextLabel->setTextFormat(Qt::PlainText);
    TextLabel->setWordWrap(true);
    TextLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The design's size, unless the font needs more: three lines of thirty characters.
    const QFontMetrics metrics = TextLabel->fontMetrics();
    TextLabel->setFixedSize(std::max(scale(305), 30 * metrics.averageCharWidth()),
                            std::max(scale(65), 3 * metrics.lineSpacing()));

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setAccessibleName(tr("Progress"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setFixedSize(TextLabel->width(), std::max(scale(25), ProgressBar->minimumSizeHint().height()));

    WalkedLabel = new QLabel(this);
    WalkedLabel->setObjectName(QStringLiteral("WalkedLabel"));
    WalkedLabel->setTextFormat(Qt::PlainText);
    WalkedLabel->setFixedWidth(TextLabel->width());
    WalkTimer = new QTimer(this);
    WalkTimer->setInterval(250);
    connect(WalkTimer, &QTimer::timeout, this, &TProgressDialog::ShowWalked);

    CloseButton = new QPushButton(tr("OK"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setDefault(true);
    CloseButton->setMinimumSize(scale(97, 33));
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(scale(8), scale(8), scale(7), scale(7));
    layout->setSpacing(0);
    layout->addWidget(TextLabel);
    layout->addSpacing(scale(7));
    layout->addWidget(ProgressBar);
    layout->addSpacing(scale(4));
    layout->addWidget(WalkedLabel);
    layout->addSpacing(scale(8));
    layout->addWidget(CloseButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TProgressDialog::Execute(TReportThread* thread, const TWalkCount* walked)
{
    SetText("Processing...");
    ProgressBar->setValue(0);
    CloseButton->setText(tr("Cancel"));
    CompareThread = thread;
    Walked = walked;
    ShowWalked();
    if (Walked != nullptr)
        WalkTimer->start();
    CentreOnScreen(this);
    const int result = RunModal(*this);
    // The dialog may close in the end handler, but the job lets go of its data after that
    // and needs this thread once more to say so; its owner must not release it before.
    if (thread != nullptr)
        ServeWorkersUntil([thread] { return thread->Ended(); });
    return result;
}

void TProgressDialog::SetProgress(std::int32_t position, std::int32_t maximum)
{
    ProgressBar->setValue(ProgressPercent(position, maximum));
}

void TProgressDialog::Finish(bool closeNow)
{
    SetText("Done");
    ProgressBar->setValue(0);
    CloseButton->setText(tr("OK"));
    // The count goes with the thread, which is released after its end.
    WalkTimer->stop();
    ShowWalked();
    Walked = nullptr;
    CompareThread = nullptr;
    if (closeNow)
        done(QDialog::Accepted);
}

void TProgressDialog::ShowWalked()
{
    WalkedLabel->setText(Walked != nullptr ? QString::fromStdString(Walked->Text()) : QString());
}

void TProgressDialog::SetText(const std::string& text) { TextLabel->setText(QString::fromStdString(text)); }

void TProgressDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TProgressDialog::keyPressEvent(QKeyEvent* event)
{
    // The one button is also the cancel button: Esc presses it.
    if (event->matches(QKeySequence::Cancel)) {
        CloseButton->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TProgressDialog::done(int result)
{
    if (FormCloseQuery())
        QDialog::done(result);
}

void TProgressDialog::FormShow()
{
    CloseButton->setFocus();
    if (CompareThread != nullptr)
        CompareThread->Resume();
}

bool TProgressDialog::FormCloseQuery()
{
    if (CompareThread == nullptr)
        return true;
    CompareThread->Terminate();
    return false;
}
