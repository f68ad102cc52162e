#include "app/Tcomparerun.h"

#include <QCoreApplication>
#include <exception>

#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "compare/Tcomparethread.h"
#include "dialogs/Tcomparedialog.h"
#include "dialogs/Tprogressdialog.h"
#include "sys/Failurereason.h"

TCompareRun::TCompareRun(TMessenger& messenger, TMainThreadCaller& mainThread, const TFileFactsSource& fileSystem,
                         TCompareTarget target)
    : Messenger(messenger), MainThread(mainThread), FileSystem(fileSystem), Target(std::move(target))
{}

void TCompareRun::Run(const std::string& compareFileName)
{
    if (!CompareDialog->Execute(compareFileName))
        return;
    if (!Target.ClearList(true))
        return;
    auto* thread = new TCompareThread(CompareDialog->Options(), MainThread, FileSystem);
    thread->OnProgress = [this](TReportThread*, std::int32_t position, std::int32_t maximum) {
        Progress(position, maximum);
    };
    thread->OnTerminate = [this](TReportThread* sender) { Terminate(sender); };
    ProgressDialog->setWindowTitle(QCoreApplication::translate("TMainForm", "Compare"));
    ProgressDialog->Execute(thread, &thread->Walked);
}

void TCompareRun::Progress(std::int32_t position, std::int32_t maximum)
{
    ProgressDialog->SetProgress(position, maximum);
}

void TCompareRun::Terminate(TReportThread* sender)
{
    auto* thread = static_cast<TCompareThread*>(sender);
    if (thread->Failed || !thread->Completed()) {
        if (thread->Failed)
            ReportFailureReason("the comparison failed", thread->FailureReason);
        ProgressDialog->Finish(false);
        ProgressDialog->SetText(thread->Failed ? "Error" : "Canceled");
        return;
    }
    try {
        // The thread is done with its items and freed next: the list takes them, so that a
        // million items are neither copied nor held twice.
        if (Target.ClearList(true))
            Target.FillList(std::move(thread->Items), {thread->Options.SrcDir, thread->Options.DstDir});
        ProgressDialog->Finish(true);
    } catch (...) {
        // A failure here would otherwise go back to the worker, and the dialog, still
        // holding the thread, could never be closed.
        Target.ClearList(false);
        ProgressDialog->Finish(false);
        ProgressDialog->SetText("Error");
        ShowExceptionBox(Messenger, std::current_exception());
    }
}
