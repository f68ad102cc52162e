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

#include "compare/Treportthread.h"
#include "compare/Twalkcount.h"
#include "dialogs/Tdesignscale.h"
#include "sys/Mysysutils.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtdesktop.h"

TProgressDialog::TProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowTitle(tr("Progress"));
    const TDesignScale scale(this);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The design's size, unless the font needs more: three lines of thirty characters.
    const QFontMetrics metrics = Label1->fontMetrics();
    Label1->setFixedSize(std::max(scale(305), 30 * metrics.averageCharWidth()),
                         std::max(scale(65), 3 * metrics.lineSpacing()));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(tr("Progress"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setFixedSize(Label1->width(), std::max(scale(25), ProgressBar1->minimumSizeHint().height()));

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setFixedWidth(Label1->width());
    WalkTimer = new QTimer(this);
    WalkTimer->setInterval(250);
    connect(WalkTimer, &QTimer::timeout, this, &TProgressDialog::ShowWalked);

    Button1 = new QPushButton(tr("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setMinimumSize(scale(97, 33));
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(scale(8), scale(8), scale(7), scale(7));
    layout->setSpacing(0);
    layout->addWidget(Label1);
    layout->addSpacing(scale(7));
    layout->addWidget(ProgressBar1);
    layout->addSpacing(scale(4));
    layout->addWidget(Label2);
    layout->addSpacing(scale(8));
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TProgressDialog::Execute(TReportThread* thread, const TWalkCount* walked)
{
    SetText("Processing...");
    ProgressBar1->setValue(0);
    Button1->setText(tr("Cancel"));
    CompareThread = thread;
    Walked = walked;
    ShowWalked();
    if (Walked != nullptr)
        WalkTimer->start();
    CentreOnScreen(this);
    return RunModal(*this);
}

void TProgressDialog::SetProgress(std::int32_t position, std::int32_t maximum)
{
    ProgressBar1->setValue(ProgressPercent(position, maximum));
}

void TProgressDialog::Finish(bool closeNow)
{
    SetText("Done");
    ProgressBar1->setValue(0);
    Button1->setText(tr("OK"));
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
    Label2->setText(Walked != nullptr ? QString::fromStdString(Walked->Text()) : QString());
}

void TProgressDialog::SetText(const std::string& text) { Label1->setText(QString::fromStdString(text)); }

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
        Button1->click();
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
    Button1->setFocus();
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
