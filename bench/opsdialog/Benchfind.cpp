// Times Find over a result list of a million rows, through the item-view list that the main
// window's list can be searched with: a shown tree view over a six-column model, its
// selection model taking the matches. The reference is the bare matching of every row's name
// against the mask in the same run. Prints each case's time and its ratio to the reference,
// and the time of the repaint that follows; the goal is about a second for every find. Runs on the offscreen platform
// unless QT_QPA_PLATFORM names another.
//
// bench_find [rows]

#include <QAbstractTableModel>
#include <QApplication>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/Tfinditemoptions.h"
#include "dialogs/Tfinditems.h"
#include "dialogs/Titemviewfindlist.h"
#include "dialogs/Tmessenger.h"
#include "sys/Mysysutils.h"

namespace {
using TClock = std::chrono::steady_clock;

struct TRow {
    std::string Name;
    std::string SrcPath;
};

// Six columns as the result list has; only the name is shown here.
class TRowsModel : public QAbstractTableModel {
public:
    explicit TRowsModel(const std::vector<TRow>& rows) : Rows(rows) {}
    int rowCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(Rows.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 6; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || index.column() != 0)
            return {};
        return QString::fromStdString(Rows[static_cast<std::size_t>(index.row())].Name);
    }

private:
    const std::vector<TRow>& Rows;
};

// Answers "There are no matches." as the user would, and counts it.
class TCountingMessenger : public TMessenger {
public:
    bool ShowMessage(const std::string&, const std::string&, TMessageKind, TMessageButtons) override
    {
        ++Shown;
        return true;
    }
    std::int32_t Execute(TMessageDialog& dialog) override { return dialog.DefaultButton; }
    int Shown = 0;
};

double Seconds(const std::function<void()>& work)
{
    const auto start = TClock::now();
    work();
    return std::chrono::duration<double>(TClock::now() - start).count();
}

TFindItemOptions Options(const std::string& mask, bool findAll, bool absolute = false)
{
    TFindItemOptions options;
    options.Text = mask;
    options.FindAll = findAll;
    options.MatchAbsoluteName = absolute;
    return options;
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 1'000'000;

    // Every other row a .txt file; the last row the only "report".
    std::vector<TRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i) {
        const std::string name =
            i == count - 1 ? "report.doc" : "file-" + std::to_string(i) + (i % 2 == 0 ? ".txt" : ".doc");
        rows.push_back({name, "/home/user/data/folder-" + std::to_string(i / 1000) + "/" + name});
    }
    TRowsModel model(rows);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setModel(&model);
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();
    TItemViewFindList list(view, [&](std::int32_t row, bool absolute) -> std::string_view {
        const TRow& r = rows[static_cast<std::size_t>(row)];
        return absolute ? r.SrcPath : r.Name;
    });
    TCountingMessenger messenger;

    long matched = 0;
    const double reference = Seconds([&] {
        for (const TRow& row : rows)
            matched += MatchesMask(row.Name, "*.txt") ? 1 : 0;
    });
    std::printf("%ld rows; reference: matching every name against \"*.txt\" took %.3f s (%ld matches)\n", count,
                reference, matched);

    struct TCase {
        const char* Title;
        TFindItemOptions Find;
    };
    const TCase cases[] = {
        {"Find Next, no match anywhere", Options("*.xls", false)},
        {"Find Next, only match in the last row", Options("report.*", false)},
        {"Find All, every other row", Options("*.txt", true)},
        {"Find All, every row", Options("*", true)},
        {"Find All, absolute name, every other row", Options("/home/user/*.txt", true, true)},
        {"Find All again, every other row over the previous selection", Options("*.txt", true)},
    };
    double slowest = 0;
    for (const TCase& c : cases) {
        const int messagesBefore = messenger.Shown;
        const double find = Seconds([&] { FindItems(list, c.Find, messenger); });
        // The repaint that follows: the view asks the selection model about every cell it
        // paints, and that answer takes time in proportion to the number of selected runs.
        const double paint = Seconds([&] { QApplication::processEvents(); });
        long long selected = 0;
        for (const QItemSelectionRange& range : view.selectionModel()->selection())
            selected += range.height();
        slowest = std::max(slowest, find);
        std::printf("%-58s find %.3f s (%.1f x reference), repaint %.3f s, %lld selected%s\n", c.Title, find,
                    find / reference, paint, selected, messenger.Shown > messagesBefore ? ", no matches" : "");
        std::fflush(stdout);
    }
    std::printf("slowest find %.3f s (goal: about 1 s)\n", slowest);
    return 0;
}
