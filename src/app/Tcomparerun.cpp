#include "app/Tcomparerun.h"

#include <QCoreApplication>
#include <cstddef>
#include <exception>
#include <memory>
#include <string>

#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "app/Tcoreparts.h"
#include "dialogs/Tcomparedialog.h"
#include "dialogs/Tmessenger.h"
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
    // Released once the dialog has returned, which waits for the job to have ended.
    const auto thread =
        std::make_unique<TCompareThread>(CompareDialog->Options(), MainThread, ProgramPool(), FileSystem);
    thread->SetOnProgress([this](std::int32_t position, std::int32_t maximum) { Progress(position, maximum); });
    thread->SetOnEnd([this, roots = TCompareRoots(thread->Options.SrcDir, thread->Options.DstDir),
                      destinationListed = thread->Options.ShowDestinationOnly](TJobEnd<TComparisonResult> end) {
        End(std::move(end), roots, destinationListed);
    });
    ProgressDialog->setWindowTitle(QCoreApplication::translate("TMainForm", "Compare"));
    ProgressDialog->Execute(thread.get(), &thread->Walked);
    TellOfUnlistedFolders();
}

void TCompareRun::TellOfUnlistedFolders()
{
    if (UnlistedFolders.empty() && UnlistedDestinationFolders.empty())
        return;
    // A folder that could not be read whole must not pass for one that holds nothing.
    constexpr std::size_t MostNamed = 20;
    std::string text = "These folders could not be read whole, so files in them may be missing from the list:\r\n";
    std::size_t named = 0;
    const auto name = [&](const std::vector<TListingError>& folders, bool destination) {
        for (const TListingError& folder : folders) {
            ReportFailureReason(std::string("cannot list the ") + (destination ? "destination " : "") + "folder " +
                                    folder.Path,
                                folder.Reason());
            if (named++ < MostNamed)
                text += "\r\n" + folder.Path + (destination ? " (destination)" : "") + ": " + folder.Reason();
        }
    };
    name(UnlistedFolders, false);
    name(UnlistedDestinationFolders, true);
    if (named > MostNamed)
        text += "\r\nand " + std::to_string(named - MostNamed) + " more";
    UnlistedFolders.clear();
    UnlistedDestinationFolders.clear();
    Messenger.ShowMessage(ApplicationTitle(), text, mkWarning, mbOK);
}

void TCompareRun::Progress(std::int32_t position, std::int32_t maximum)
{
    ProgressDialog->SetProgress(position, maximum);
}

void TCompareRun::End(TJobEnd<TComparisonResult> end, const TCompareRoots& roots, bool destinationListed)
{
    if (!end.Completed()) {
        if (end.Failed())
            ReportFailureReason("the comparison failed", end.FailureReason);
        ProgressDialog->Finish(false);
        ProgressDialog->SetText(end.Failed() ? "Error" : "Canceled");
        return;
    }
    try {
        // The list takes the items, so that a million items are neither copied nor held twice.
        if (Target.ClearList(true)) {
            std::optional<TDestinationSide> destination;
            if (destinationListed)
                destination =
                    TDestinationSide{end.Result.DestinationFiles, std::move(end.Result.DestinationOnlyFolders)};
            Target.FillList(std::move(end.Result.Items), roots, std::move(destination));
            UnlistedFolders = std::move(end.Result.UnlistedFolders);
            UnlistedDestinationFolders = std::move(end.Result.UnlistedDestinationFolders);
        }
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
