// Times the main window's result list with a million rows: the fill, a sort by every key,
// Select All and Invert, each with the window on screen (offscreen) and repainted, against a
// plain reference measured in the same run, and prints the memory a row takes.
// Usage: bench_list [rows]

#include <QAction>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "app/Tmainform.h"
#include "compare/Treportthread.h"
#include "dialogs/Tqtfilechooser.h"
#include "dialogs/Tqtmainthreadcaller.h"
#include "dialogs/Tqtmessenger.h"
#include "settings/Tsettingsstorage.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Tqtshell.h"

namespace {
using TClock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& job)
{
    const auto start = TClock::now();
    job();
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// Items shaped like a real tree: about 40 files a directory, mixed-case names and extensions,
// sizes and day differences of both signs, a tenth without a destination.
std::vector<TCompareItem> MakeItems(int count)
{
    static const char* const extensions[] = {".txt", ".jpg", ".TXT", ".cpp", ".h", ".pdf", "", ".tar.gz"};
    static const char* const words[] = {"Report", "photo", "Notes", "draft", "Invoice", "data", "readme", "Ärger"};
    std::mt19937_64 random(42);
    std::vector<TCompareItem> items(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        TCompareItem& item = items[static_cast<std::size_t>(i)];
        const std::string relative = "projects/p" + std::to_string(i / 4000) + "/dir" + std::to_string(i / 40) +
                                     "/" + words[random() % 8] + "_" + std::to_string(random() % 100000) +
                                     extensions[random() % 8];
        item.SrcPath = "/home/user/source/" + relative;
        item.DstPath = "/media/backup/destination/" + relative;
        item.DstExists = random() % 10 != 0;
        item.SizeRemainder = static_cast<std::int64_t>(random() % 20'000'000'000ULL) - 10'000'000'000LL;
        item.TimeRemainder = item.DstExists ? static_cast<std::int64_t>(random() % 2'000'000'000'000ULL) - 1'000'000'000'000LL : 0;
        item.Result = item.DstExists ? static_cast<TCompareResult>(1 + random() % 5) : TCompareResult::Created;
    }
    return items;
}

void Report(const char* what, double seconds, double reference)
{
    std::printf("%-28s %9.3f s   reference %8.3f s   ratio %7.1f\n", what, seconds, reference,
                reference > 0 ? seconds / reference : 0.0);
}
}  // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Vellumark"));
    TQtMessenger messenger;
    TQtShell shell;
    TQtFileChooser fileChooser(shell);
    TQtMainThreadCaller mainThread;
    CreateApplicationForms({messenger, fileChooser, shell, mainThread, TFileFactsSource::System(), ChooseSettingsFileName()},
                           {});
    MainForm->show();
    const auto settle = [] { QCoreApplication::processEvents(); };
    settle();

    std::printf("building %d items ...\n", rows);
    const std::vector<TCompareItem> items = MakeItems(rows);

    // Large blocks come straight from mmap and are counted apart.
    const auto heapInUse = [] { const struct mallinfo2 info = mallinfo2(); return info.uordblks + info.hblkhd; };
    const std::size_t before = heapInUse();
    const double fill = Seconds([&] {
        MainForm->FillList(items);
        settle();
    });
    const std::size_t after = heapInUse();
    const double fillReference = Seconds([&] {
        std::vector<TCompareItem> copy = items;  // NOLINT(performance-unnecessary-copy-initialization): measured
        settle();
    });
    Report("fill", fill, fillReference);
    std::printf("%-28s %9.0f bytes (the item copy alone: %zu bytes and its two paths)\n", "memory per row",
                static_cast<double>(after - before) / rows, sizeof(TCompareItem));

    const auto sortReference = [&](TSortCode key) {
        const std::vector<TResultRow>& stored = MainForm->ListModel().StoredRows();
        if (key == SortCode::SizeRemainder || key == SortCode::TimeRemainder || key == SortCode::Result) {
            std::vector<std::int64_t> keys;
            for (const TResultRow& row : stored)
                keys.push_back(key == SortCode::SizeRemainder ? row.Item.SizeRemainder
                               : key == SortCode::Result      ? static_cast<std::int64_t>(row.Item.Result)
                                                              : row.Item.TimeRemainderDays());
            return Seconds([&] { std::stable_sort(keys.begin(), keys.end()); });
        }
        const auto column = key == SortCode::Name        ? TResultColumn::Name
                            : key == SortCode::Directory ? TResultColumn::Directory
                                                         : TResultColumn::Extension;
        std::vector<std::string> keys;
        for (const TResultRow& row : stored)
            keys.push_back(key == SortCode::AbsoluteName ? row.Item.SrcPath : ResultRowText(row.Item, column));
        return Seconds([&] { std::stable_sort(keys.begin(), keys.end()); });
    };
    std::printf("sort references: std::stable_sort of the plain keys (texts by bytes, no collation)\n");
    const std::pair<const char*, TSortCode> sorts[] = {
        {"sort by name", SortCode::Name},
        {"sort by directory", SortCode::Directory},
        {"sort by extension", SortCode::Extension},
        {"sort by size remainder", SortCode::SizeRemainder},
        {"sort by time remainder", SortCode::TimeRemainder},
        {"sort by result", SortCode::Result},
        {"sort by absolute name", SortCode::AbsoluteName},
        {"sort by name, descending", SortCode::Name + SortCode::Descending},
    };
    for (const auto& [what, code] : sorts) {
        const double reference = sortReference(code & ~SortCode::Descending);
        // clang 14 cannot capture a structured binding.
        const double seconds = Seconds([&, sortCode = code] {
            MainForm->SortList(sortCode);
            settle();
        });
        Report(what, seconds, reference);
    }

    const auto flipReference = [&] {
        std::vector<bool> flags(static_cast<std::size_t>(rows));
        return Seconds([&] { flags.flip(); });
    };
    const auto command = [&](QAction* action) {
        return Seconds([&] {
            action->trigger();
            settle();
        });
    };
    std::printf("selection references: flipping one flag per row\n");
    Report("select all", command(MainForm->AllM1), flipReference());
    Report("invert (all selected)", command(MainForm->InvertM1), flipReference());
    Report("invert (none selected)", command(MainForm->InvertM1), flipReference());
    // The worst case for Qt's selection: every other row selected, half a million ranges.
    std::vector<TRowRange> scattered;
    for (int row = 0; row < rows; row += 2)
        scattered.push_back({row, row});
    SelectRowRanges(*MainForm->ListView1->selectionModel(), scattered);
    settle();
    Report("invert (every other row)", command(MainForm->InvertM1), flipReference());
    MainForm->AllM1->trigger();
    MainForm->SortList(SortCode::Name);
    settle();
    Report("sort, all selected", Seconds([&] {
               MainForm->SortList(SortCode::Directory);
               settle();
           }),
           sortReference(SortCode::Directory));

    MainForm->ClearList(false);
    DestroyApplicationForms();
    TReportThread::WaitForReleasedThreads();
    return 0;
}
