#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <memory>
#include <sys/stat.h>

#include "support/Modalwindows.h"
#include "support/Namedchild.h"
#include "support/Ttreefixture.h"
#include "sys/qt/Qtdesktop.h"
#include "sys/qt/Tfilepropertieswindow.h"
#include "sys/qt/Tqtfilechooser.h"
#include "sys/qt/Tqtshell.h"

namespace {
QString QtPath(const std::string& path) { return QString::fromStdString(path); }

// The properties windows that are open now; closing them deletes them.
std::vector<TFilePropertiesWindow*> PropertiesWindows()
{
    std::vector<TFilePropertiesWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TFilePropertiesWindow*>(widget); window != nullptr && window->isVisible())
            windows.push_back(window);
    return windows;
}
}  // namespace

TEST(QtShell, ShowsItsOwnPropertiesWindowWhenNoFileManagerAnswers)
{
    TTreeFixture tree;
    tree.CreateFile("Data/Report.csv", std::string(1234, 'x'), 1'700'000'000);
    ASSERT_EQ(chmod(tree.Path("Data/Report.csv").c_str(), 0640), 0);
    TQtShell shell;
    EXPECT_FALSE(shell.ShowProperties(tree.Path("Data/Missing.csv")));
    EXPECT_TRUE(PropertiesWindows().empty());

    ASSERT_TRUE(shell.ShowProperties(tree.Path("Data/Report.csv")));
    const std::vector<TFilePropertiesWindow*> windows = PropertiesWindows();
    ASSERT_EQ(windows.size(), 1U);
    const TFilePropertiesWindow* window = windows.front();
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Report.csv Properties"));
    EXPECT_EQ(NamedChild<QLineEdit>(*window, "NameEdit")->text(), QStringLiteral("Report.csv"));
    EXPECT_EQ(NamedChild<QLineEdit>(*window, "FolderEdit")->text(), QtPath(tree.Path("Data")));
    EXPECT_EQ(NamedChild<QLineEdit>(*window, "SizeEdit")->text(), QStringLiteral("1,234 bytes"));
    EXPECT_EQ(NamedChild<QLineEdit>(*window, "TimeEdit")->text(),
              QDateTime::fromSecsSinceEpoch(1'700'000'000).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    EXPECT_EQ(NamedChild<QLineEdit>(*window, "PermissionsEdit")->text(), QStringLiteral("rw-r----- (0640)"));
    EXPECT_TRUE(NamedChild<QLineEdit>(*window, "OwnerEdit")->text().contains(QLatin1Char(':')));
    EXPECT_TRUE(NamedChild<QLineEdit>(*window, "NameEdit")->isReadOnly());
    windows.front()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(PropertiesWindows().empty());
}

TEST(QtShell, ReportsADocumentThatIsNotThereAsNotOpened)
{
    TQtShell shell;
    EXPECT_FALSE(shell.OpenDocument("/nonexistent/Help/index.html"));
}

TEST(QtShell, PutsPlainTextOnTheClipboard)
{
    TQtShell shell;
    shell.SetClipboardText("/a/b.txt\r\n/a/c\xC3\xA9.txt\r\n");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("/a/b.txt\r\n/a/c\u00E9.txt\r\n"));
}

TEST(QtShell, BrowsesForAFolderStartingAtTheProposalWhenItExists)
{
    TTreeFixture tree;
    tree.CreateDirectory("Start/Chosen");
    TQtShell shell;
    QString title, startedIn;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        startedIn = dialog->directory().absolutePath();
        dialog->selectFile(QtPath(tree.Path("Start/Chosen")));
        static_cast<QDialog*>(dialog)->accept();
    });
    std::string directory = tree.Path("Start");
    EXPECT_TRUE(shell.BrowseForFolder("Select a directory.", directory));
    EXPECT_EQ(title, QStringLiteral("Select a directory."));
    EXPECT_EQ(startedIn, QtPath(tree.Path("Start")));
    EXPECT_EQ(directory, tree.Path("Start/Chosen"));

    // A proposal that does not exist is no starting point; cancelling keeps it.
    WhenModal([&](QWidget* modal) {
        startedIn = qobject_cast<QFileDialog*>(modal)->directory().absolutePath();
        qobject_cast<QFileDialog*>(modal)->reject();
    });
    directory = tree.Path("Gone");
    EXPECT_FALSE(shell.BrowseForFolder("Select a directory.", directory));
    EXPECT_NE(startedIn, QtPath(tree.Path("Gone")));
    EXPECT_EQ(directory, tree.Path("Gone"));
}

TEST(QtFileChooser, RunsAFileDialogWithTheTitleFiltersAndProposal)
{
    TTreeFixture tree;
    tree.CreateDirectory("Work");
    TQtShell shell;
    TQtFileChooser chooser(shell);
    TFileDialog export_;
    export_.Kind = fdSave;
    export_.Title = "Export";
    export_.Filter = "Vellumark Compare (*.vmc)|*.vmc|All files (*)|*";
    export_.DefaultExt = "vmc";
    export_.FilterIndex = 2;
    export_.InitialDir = tree.Path("Work");
    export_.FileName = "Untitled.vmc";
    struct TSeen {
        QString Title, Directory, Filter, Suffix;
        QStringList Filters, Proposal;
        QFileDialog::AcceptMode Mode = QFileDialog::AcceptOpen;
    } seen;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        seen = {dialog->windowTitle(),        dialog->directory().absolutePath(),
                dialog->selectedNameFilter(), dialog->defaultSuffix(),
                dialog->nameFilters(),        dialog->selectedFiles(),
                dialog->acceptMode()};
        dialog->selectNameFilter(dialog->nameFilters().front());
        dialog->selectFile(QtPath(tree.Path("Work/Saved")));
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_TRUE(chooser.ExecuteFileDialog(export_));
    EXPECT_EQ(seen.Title, QStringLiteral("Export"));
    EXPECT_EQ(seen.Mode, QFileDialog::AcceptSave);
    EXPECT_EQ(seen.Directory, QtPath(tree.Path("Work")));
    const QStringList filters{QStringLiteral("Vellumark Compare (*.vmc)"), QStringLiteral("All files (*)")};
    EXPECT_EQ(seen.Filters, filters);
    EXPECT_EQ(seen.Filter, QStringLiteral("All files (*)"));
    EXPECT_EQ(seen.Suffix, QStringLiteral("vmc"));
    EXPECT_EQ(seen.Proposal, QStringList{QtPath(tree.Path("Work/Untitled.vmc"))});
    EXPECT_EQ(export_.FileName, tree.Path("Work/Saved.vmc"));
    EXPECT_EQ(export_.FilterIndex, 1);

    // Cancelled, the dialog's fields stay as they were.
    WhenModal([](QWidget* modal) { qobject_cast<QFileDialog*>(modal)->reject(); });
    const TFileDialog before = export_;
    EXPECT_FALSE(chooser.ExecuteFileDialog(export_));
    EXPECT_EQ(export_.FileName, before.FileName);
    EXPECT_EQ(export_.FilterIndex, before.FilterIndex);
}

TEST(QtFileChooser, WritesFiltersInQtsForm)
{
    EXPECT_EQ(QtNameFilters("Comma Separated Values (*.csv)|*.csv|All files (*)|*"),
              (QStringList{QStringLiteral("Comma Separated Values (*.csv)"), QStringLiteral("All files (*)")}));
    EXPECT_EQ(QtNameFilters("Texts|*.txt;*.log"), QStringList{QStringLiteral("Texts (*.txt *.log)")});
    EXPECT_TRUE(QtNameFilters("").isEmpty());
}

TEST(DroppedFileNames, TakesTheLocalFilesOfADropInOrder)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/srv/b\u00E9.vmc")),
                  QUrl(QStringLiteral("https://example.org/x")), QUrl::fromLocalFile(QStringLiteral("/srv/a dir"))});
    EXPECT_TRUE(CarriesLocalFiles(data));
    EXPECT_EQ(DroppedFileNames(data), (std::vector<std::string>{"/srv/b\xC3\xA9.vmc", "/srv/a dir"}));
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/x"))});
    EXPECT_FALSE(CarriesLocalFiles(remote));
    EXPECT_TRUE(DroppedFileNames(remote).empty());
}
