// Times the main window's result list with a million rows: the fill, a sort by every key,
// Select All and Invert, and masks typed into the filter field key by key, each with the
// window on screen (offscreen) and repainted, against a plain reference measured in the same
// run, and prints the memory a row takes.
// Usage: bench_list [rows]

#include <QAbstractTableModel>
#include <QAction>
#include <QKeyEvent>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "app/Tlistfilterfield.h"
#include "app/Tlistselection.h"
#include "app/Tlistsorter.h"
#include "app/Tmainform.h"
#include "app/Tresultlistmodel.h"
#include "dialogs/Tqtmessenger.h"
#include "settings/qt/Tsettingsstorage.h"
#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Tqtfilechooser.h"
#include "sys/qt/Tqtmainthreadcaller.h"
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
        const std::string relative = "projects/p" + std::to_string(i / 4000) + "/dir" + std::to_string(i / 40) + "/" +
                                     words[random() % 8] + "_" + std::to_string(random() % 100000) +
                                     extensions[random() % 8];
        item.Path = relative;
        const bool dstExists = random() % 10 != 0;
        item.SizeRemainder = static_cast<std::int64_t>(random() % 20'000'000'000ULL) - 10'000'000'000LL;
        item.TimeRemainder =
            dstExists ? static_cast<std::int64_t>(random() % 2'000'000'000'000ULL) - 1'000'000'000'000LL : 0;
        item.Result = dstExists ? static_cast<TCompareResult>(1 + random() % 5) : TCompareResult::Created;
        // Sizes that agree with the remainder, as a comparison's do.
        constexpr std::int64_t DstSize = 10'000'000'000LL;
        item.SetSeen(TSideFacts{DstSize + item.SizeRemainder, 1},
                     dstExists ? std::optional(TSideFacts{DstSize, 1}) : std::nullopt);
    }
    return items;
}

// The main window's command of that name; the benchmark measures nothing without it.
QAction& Command(const char* name)
{
    auto* command = MainForm->findChild<QAction*>(QString::fromLatin1(name));
    if (command == nullptr || !command->isEnabled()) {
        std::fprintf(stderr, "The command %s cannot run.\n", name);
        std::exit(1);
    }
    return *command;
}

// Rows with a short text in every cell and nothing else.
class TPlainTable final : public QAbstractTableModel {
public:
    TPlainTable(int rows, int columns) : Rows(rows), Columns(columns) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : Rows; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : Columns; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(QString::number(index.row())) : QVariant();
    }

private:
    int Rows;
    int Columns;
};

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
    CreateApplicationForms(
        {messenger, fileChooser, shell, mainThread, TFileFactsSource::System(), ChooseSettingsFileName()}, {});
    MainForm->show();
    const auto settle = [] { QCoreApplication::processEvents(); };
    settle();

    std::printf("building %d items ...\n", rows);
    const std::vector<TCompareItem> items = MakeItems(rows);

    // Large blocks come straight from mmap and are counted apart.
    const auto heapInUse = [] {
        const struct mallinfo2 info = mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    const std::size_t before = heapInUse();
    // A finished comparison hands its items over; copying them is the reference.
    std::vector<TCompareItem> handed;
    const double fillReference = Seconds([&] {
        handed = items;
        settle();
    });
    const double fill = Seconds([&] {
        MainForm->FillList(std::move(handed), {"/home/user/source", "/media/backup/destination"}, std::nullopt);
        settle();
    });
    const std::size_t after = heapInUse();
    Report("fill", fill, fillReference);
    std::printf("%-28s %9.0f bytes (the item copy alone: %zu bytes and its path)\n", "memory per row",
                static_cast<double>(after - before) / rows, sizeof(TCompareItem));

    auto* list = MainForm->findChild<QTreeView*>(QStringLiteral("ResultListView"));
    const auto* model = list != nullptr ? qobject_cast<const TResultListModel*>(list->model()) : nullptr;
    if (model == nullptr) {
        std::fputs("The main window has no result list.\n", stderr);
        return 1;
    }
    const auto sortReference = [&](TSortCode key) {
        const std::vector<TResultRow>& stored = model->StoredRows();
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
            keys.push_back(key == SortCode::AbsoluteName ? model->Roots().SourcePath(row.Item)
                                                         : ResultRowText(row.Item, model->Roots(), column));
        return Seconds([&] { std::stable_sort(keys.begin(), keys.end()); });
    };
    std::printf("sort references: std::stable_sort of the plain keys (texts by bytes, no collation)\n");
    const auto command = [&](const char* name) {
        QAction& action = Command(name);
        return Seconds([&] {
            action.trigger();
            settle();
        });
    };
    const std::tuple<const char*, const char*, TSortCode> sorts[] = {
        {"sort by name", "AscendByNameCommand", SortCode::Name},
        {"sort by directory", "AscendByDirectoryCommand", SortCode::Directory},
        {"sort by extension", "AscendByExtensionCommand", SortCode::Extension},
        {"sort by size remainder", "AscendBySizeRemainderCommand", SortCode::SizeRemainder},
        {"sort by time remainder", "AscendByTimeRemainderCommand", SortCode::TimeRemainder},
        {"sort by result", "AscendByResultCommand", SortCode::Result},
        {"sort by absolute name", "AscendByAbsoluteNameCommand", SortCode::AbsoluteName},
        {"sort by name, descending", "DescendByNameCommand", SortCode::Name},
    };
    for (const auto& [what, name, key] : sorts) {
        const double reference = sortReference(key);
        Report(what, command(name), reference);
    }

    // Qt's own share of each selection change: the same change, from the selection it starts
    // with to the one it ends with, handed at once to a plain view of as many rows and
    // columns, and repainted.
    TPlainTable plainTable(rows, model->columnCount());
    QTreeView plainView;
    plainView.setUniformRowHeights(true);
    plainView.setRootIsDecorated(false);
    plainView.setSelectionMode(QAbstractItemView::ExtendedSelection);
    plainView.setModel(&plainTable);
    plainView.setGeometry(list->geometry());
    plainView.show();
    const auto selectionReference = [&](const std::vector<TRowRange>& starting, const std::vector<TRowRange>& ending) {
        SelectRowRanges(*plainView.selectionModel(), starting);
        settle();
        return Seconds([&] {
            SelectRowRanges(*plainView.selectionModel(), ending);
            settle();
        });
    };
    const std::vector<TRowRange> everyRow{{0, rows - 1}};
    std::vector<TRowRange> evenRows, oddRows;
    for (int row = 0; row < rows; row += 2) {
        evenRows.push_back({row, row});
        if (row + 1 < rows)
            oddRows.push_back({row + 1, row + 1});
    }
    std::printf("selection references: the same change of selection handed to a plain view of as many rows\n");
    Report("select all", command("SelectAllCommand"), selectionReference({}, everyRow));
    Report("invert (all selected)", command("InvertSelectionCommand"), selectionReference(everyRow, {}));
    Report("invert (none selected)", command("InvertSelectionCommand"), selectionReference({}, everyRow));
    // The worst case for Qt's selection: every other row selected, half a million ranges.
    SelectRowRanges(*list->selectionModel(), evenRows);
    settle();
    Report("invert (every other row)", command("InvertSelectionCommand"), selectionReference(evenRows, oddRows));
    plainView.hide();
    Command("SelectAllCommand").trigger();
    Command("AscendByNameCommand").trigger();
    settle();
    const double directoryReference = sortReference(SortCode::Directory);
    Report("sort, all selected", command("AscendByDirectoryCommand"), directoryReference);

    // Each keystroke against matching every row's name (or path) with the mask typed so far,
    // once, on one thread, without a list; the list stays sorted and all selected.
    const auto matchReference = [&](const std::string& mask) {
        const bool wholePath = mask.find_first_of(PathSyntax::Separators) != std::string::npos;
        std::size_t matched = 0;
        const double seconds = Seconds([&] {
            std::string whole;
            for (const TResultRow& row : model->StoredRows()) {
                const std::string_view path = wholePath ? model->Roots().SourcePath(row.Item, whole) : row.Item.Path;
                matched += MatchesMask(wholePath ? path : FileNameView(path), mask) ? 1 : 0;
            }
        });
        return std::pair(seconds, matched);
    };
    auto* filterField = MainForm->findChild<TListFilterField*>(QStringLiteral("FilterField"));
    if (filterField == nullptr) {
        std::fputs("The main window has no filter field.\n", stderr);
        return 1;
    }
    const auto keystroke = [&](Qt::Key key, const QString& text) {
        return Seconds([&] {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QApplication::sendEvent(filterField, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
            QApplication::sendEvent(filterField, &release);
            settle();
        });
    };
    std::printf("filter references: matching each row once with the mask typed so far, one thread, no list\n");
    filterField->setFocus();
    double slowest = 0;
    for (const std::string mask : {"*.txt", "*/p7/*"}) {
        for (std::size_t typed = 1; typed <= mask.size(); ++typed) {
            const QChar typedCharacter = QLatin1Char(mask[typed - 1]);
            const double seconds = keystroke(static_cast<Qt::Key>(typedCharacter.toUpper().unicode()), typedCharacter);
            const auto [reference, matched] = matchReference(mask.substr(0, typed));
            slowest = std::max(slowest, seconds);
            const std::string what =
                "filter \"" + mask.substr(0, typed) + "\", " + GroupDigits(std::to_string(model->Count())) + " shown";
            Report(what.c_str(), seconds, reference);
            if (static_cast<int>(matched) != model->Count())
                std::printf("    the list shows other rows than the reference matched: %zu\n", matched);
        }
        const double seconds = keystroke(Qt::Key_Escape, {});
        slowest = std::max(slowest, seconds);
        Report("filter emptied by Esc", seconds, matchReference("*").first);
    }
    std::printf("%-28s %9.3f s\n", "slowest keystroke", slowest);

    MainForm->ClearList(false);
    DestroyApplicationForms();
    return 0;
}
