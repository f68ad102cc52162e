// Times the deletion of many small files through the operations dialog, which shows every
// log line, against the operations engine alone on the same number of files, its reports
// taken by a TEventLoop, in the same run. Prints medians and the ratio; the goal is at most
// about 2. Runs on the offscreen platform unless QT_QPA_PLATFORM names another. The files lie
// in /dev/shm where it exists: on a disk, the time of an unlink varies far more from one run
// to the next than the dialog adds.
//
// bench_opsdialog [files] [repeat] [directory]

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/Tmessenger.h"
#include "jobs/Teventloop.h"
#include "operations/Toperationsthread.h"
#include "operations/qt/Toperationsdialog.h"
#include "sys/qt/Tqtmainthreadcaller.h"
#include "sys/qt/Tqtshell.h"

namespace fs = std::filesystem;

namespace {
using TClock = std::chrono::steady_clock;

constexpr long FilesPerDirectory = 1'000;

// Agrees to every question, as the user who presses Delete... and then OK does.
class TAgreeingMessenger : public TMessenger {
public:
    bool ShowMessage(const std::string&, const std::string&, TMessageKind, TMessageButtons) override { return true; }
    std::int32_t Execute(TMessageDialog& dialog) override { return dialog.DefaultButton; }
};

// Small files in directories of a thousand, as the result list hands them over: their items.
std::vector<TCompareItem> BuildFiles(const fs::path& root, long count)
{
    fs::remove_all(root);
    std::vector<TCompareItem> items;
    items.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i) {
        const fs::path directory = root / ("directory" + std::to_string(i / FilesPerDirectory));
        if (i % FilesPerDirectory == 0)
            fs::create_directories(directory);
        const fs::path file = directory / ("small-file-" + std::to_string(i) + ".txt");
        std::ofstream(file) << "sixteen bytes..\n";
        items.emplace_back().Path = file.lexically_relative(root).generic_string();
    }
    return items;
}

double Seconds(TClock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// The engine alone: every report reaches the loop; the lines are only kept.
double DeleteWithEngine(const std::vector<TCompareItem>& items, const std::string& root, std::size_t& lineCount)
{
    TEventLoop loop;
    std::vector<std::string> lines;
    TOperationsThread thread(items, foDelete, {root, root}, loop);
    thread.SetOnLog([&](const std::string& text, const std::optional<TTransferOutcome>&) { lines.push_back(text); });
    thread.SetOnProgress([](std::int32_t, std::int32_t) {});
    const auto start = TClock::now();
    thread.Resume();
    loop.RunUntil([&] { return thread.Ended(); });
    const auto end = TClock::now();
    lineCount = lines.size();
    return Seconds(end - start);
}

// The whole dialog, modal, from the press of Delete... to the "OK" that ends the run.
double DeleteWithDialog(TOperationsDialog& dialog, const std::vector<TCompareItem>& items, const std::string& root,
                        std::size_t& lineCount)
{
    TClock::time_point start;
    TClock::time_point end;
    QTimer::singleShot(0, &dialog, [&] {
        start = TClock::now();
        dialog.findChild<QPushButton*>(QStringLiteral("DeleteButton"))->click();
    });
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (dialog.Running() || dialog.findChild<QPushButton*>(QStringLiteral("MoveButton"))->isEnabled())
            return;
        end = TClock::now();
        lineCount = dialog.GetAllLines().size();
        poll.stop();
        dialog.findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });
    poll.start();
    dialog.Execute(items, {root, root});
    return Seconds(end - start);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vellumark"));
    const long count = argc > 1 ? std::atol(argv[1]) : 100'000;
    const int repeat = argc > 2 ? std::atoi(argv[2]) : 3;
    const fs::path parent = argc > 3                       ? fs::path(argv[3])
                            : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                           : fs::temp_directory_path();
    const fs::path root = parent / "vellumark-bench-opsdialog";

    TAgreeingMessenger messenger;
    TQtShell shell;
    TQtMainThreadCaller mainThread;
    TOperationsDialog dialog(messenger, shell, mainThread);

    std::printf("deleting %ld files of 16 bytes under %s, %d times each way, platform %s\n", count, root.c_str(),
                repeat, qPrintable(QGuiApplication::platformName()));
    std::fflush(stdout);
    std::vector<double> engineTimes;
    std::vector<double> dialogTimes;
    for (int round = 0; round < repeat; ++round) {
        std::size_t engineLines = 0;
        std::size_t dialogLines = 0;
        engineTimes.push_back(DeleteWithEngine(BuildFiles(root, count), root.string(), engineLines));
        dialogTimes.push_back(DeleteWithDialog(dialog, BuildFiles(root, count), root.string(), dialogLines));
        std::printf("round %d: engine %.3f s (%zu lines), dialog %.3f s (%zu lines)\n", round + 1, engineTimes.back(),
                    engineLines, dialogTimes.back(), dialogLines);
        std::fflush(stdout);
    }
    fs::remove_all(root);
    const double engine = Median(engineTimes);
    const double shown = Median(dialogTimes);
    std::printf("median: engine %.3f s, dialog %.3f s, ratio dialog/engine %.2f (goal: at most about 2)\n", engine,
                shown, shown / engine);
    return 0;
}
