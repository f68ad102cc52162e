#pragma once
// The main window under test: its services scripted, its settings file in the test's tree, its
// parts found by their object names, and helpers that act on its modal dialogs once they are up.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Tapplicationforms.h"
#include "app/Tlistselection.h"
#include "app/Tmainform.h"
#include "app/Tresultlistmodel.h"
#include "dialogs/Tprogressdialog.h"
#include "operations/qt/Toperationsdialog.h"
#include "support/Hangguard.h"
#include "support/Namedchild.h"
#include "support/Trecordingshell.h"
#include "support/Tscriptedfilechooser.h"
#include "support/Tscriptedmessenger.h"
#include "support/Ttreefixture.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Tqtmainthreadcaller.h"

namespace mainformtest {
// The real file system, with a hook before each directory is listed and listings that fail on demand.
class THookedFileFacts : public TFileFactsSource {
public:
    TDirectoryContents List(const std::string& directory) const override
    {
        if (BeforeList)
            BeforeList();
        if (ListingFails)
            if (const int code = ListingFails(directory); code != 0)
                return {{}, TListingError{directory, code}};
        return TFileFactsSource::List(directory);
    }
    std::function<void()> BeforeList;
    // An error number other than 0 makes the listing of that directory fail with it.
    std::function<int(const std::string& directory)> ListingFails;
};

// Once the window is the active modal one, runs act on it. It polls without a loop of its
// own, so that a modal loop it was called from can end first; a window that never comes
// gives a failure.
inline void WhenActive(QWidget* window, std::function<void()> act,
                       std::chrono::steady_clock::time_point deadline =
                           std::chrono::steady_clock::now() + std::chrono::milliseconds(HangGuardMilliseconds))
{
    QTimer::singleShot(5, window, [window, act = std::move(act), deadline]() mutable {
        if (QApplication::activeModalWidget() == window && window->isVisible())
            act();
        else if (std::chrono::steady_clock::now() < deadline)
            WhenActive(window, std::move(act), deadline);
        else
            ADD_FAILURE() << "The window " << window->objectName().toStdString() << " did not come up";
    });
}

inline QUrl FileUrl(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

// The source or destination paths of the items the operations dialog was given.
inline std::vector<std::string> PathsOf(const TOperationsDialog& dialog, bool destinations)
{
    std::vector<std::string> paths;
    for (const TCompareItem& item : *dialog.Items)
        paths.push_back(destinations ? dialog.Roots.DestinationPath(item) : dialog.Roots.SourcePath(item));
    return paths;
}

// The roots of the rows the tests fill in by hand: "/a" is the source path of Item("a").
inline const TCompareRoots ListRoots{"/", "/dst"};

inline TCompareItem Item(const std::string& path, std::int64_t size, bool dstExists = true)
{
    TCompareItem item;
    item.Path = path;
    item.SizeRemainder = size;
    item.Result = dstExists ? TCompareResult::Modified : TCompareResult::Created;
    item.SetSeen(TSideFacts{}, dstExists ? std::optional(TSideFacts{}) : std::nullopt);
    return item;
}

class MainFormTest : public ::testing::Test {
protected:
    void Start(std::vector<std::string> arguments = {})
    {
        CreateApplicationForms({Messenger, Chooser, Shell, Caller, Facts, SettingsFileName()}, std::move(arguments));
        MainForm->show();
    }
    void TearDown() override
    {
        if (MainForm != nullptr) {
            MainForm->ClearList(false);
            DestroyApplicationForms();
        }
    }

    std::string SettingsFileName() const { return Tree.Path("Settings.ini"); }
    TMainForm& Form() { return *MainForm; }
    // The window's widget, menu or command of that object name.
    template <typename T>
    T& Child(const std::string& name)
    {
        T* found = Form().findChild<T*>(QString::fromStdString(name));
        if (found == nullptr)
            throw std::runtime_error("The main window has no " + std::string(T::staticMetaObject.className()) +
                                     " named " + name);
        return *found;
    }
    QAction& Command(const std::string& name) { return Child<QAction>(name); }
    bool Enabled(const std::string& name) { return Command(name).isEnabled(); }
    bool ButtonEnabled(const std::string& name) { return Child<QToolButton>(name).isEnabled(); }
    // Runs the command as its menu item does, which only an enabled command can be.
    void Trigger(const std::string& name)
    {
        QAction& command = Command(name);
        ASSERT_TRUE(command.isEnabled()) << name << " is disabled";
        command.trigger();
    }
    QTreeView& List() { return Child<QTreeView>("ResultListView"); }
    // A left click in the middle of a column's caption.
    void ClickHeader(int section)
    {
        QHeaderView& header = *List().header();
        const QPoint middle(header.sectionViewportPosition(section) + header.sectionSize(section) / 2,
                            header.height() / 2);
        QTest::mouseClick(header.viewport(), Qt::LeftButton, Qt::NoModifier, middle);
    }
    const TResultListModel& Model()
    {
        const auto* model = qobject_cast<const TResultListModel*>(List().model());
        if (model == nullptr)
            throw std::runtime_error("The list shows no result rows");
        return *model;
    }
    QItemSelectionModel& Selection() { return *List().selectionModel(); }
    void SelectRows(std::initializer_list<int> rows)
    {
        Selection().clearSelection();
        for (int row : rows)
            Selection().select(Model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::vector<int> SelectedRowList()
    {
        std::vector<int> rows;
        for (const TRowRange& range : SelectedRowRanges(Selection()))
            for (int row = range.First; row <= range.Last; ++row)
                rows.push_back(row);
        return rows;
    }
    void FillList(std::vector<TCompareItem> items, const TCompareRoots& roots = ListRoots,
                  std::optional<TDestinationSide> destination = std::nullopt)
    {
        Form().FillList(std::move(items), roots, std::move(destination));
    }
    std::vector<std::string> Paths()
    {
        std::vector<std::string> paths;
        for (int row = 0; row < Model().Count(); ++row)
            paths.push_back(Model().Roots().SourcePath(Model().Row(row).Item));
        return paths;
    }
    // Runs the compare dialog with the two roots and confirms it.
    void ConfirmCompareDialog(const std::string& source, const std::string& destination, bool destinationOnly = false)
    {
        WhenActive(CompareDialog, [=] {
            NamedChild<QLineEdit>(*CompareDialog, "SourceEdit")->setText(QString::fromStdString(source));
            NamedChild<QLineEdit>(*CompareDialog, "DestinationEdit")->setText(QString::fromStdString(destination));
            NamedChild<QCheckBox>(*CompareDialog, "DestinationOnlyCheckBox")->setChecked(destinationOnly);
            NamedChild<QPushButton>(*CompareDialog, "OkButton")->click();
        });
    }
    // Closes the progress dialog once the run has ended and its label tells how.
    void CloseProgressWhenEnded(QString* label)
    {
        WhenActive(ProgressDialog, [=] {
            EXPECT_TRUE(
                QTest::qWaitFor([] { return ProgressDialog->CompareThread == nullptr; }, HangGuardMilliseconds));
            *label = NamedChild<QLabel>(*ProgressDialog, "TextLabel")->text();
            NamedChild<QPushButton>(*ProgressDialog, "CloseButton")->click();
        });
    }
    // Types the key as a user does: into whatever has the focus, which after every dialog and
    // box must be the list of the active main window again.
    void Press(QKeyCombination key)
    {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QApplication::activeWindow() == &Form() && QApplication::focusWidget() == &List(); },
            HangGuardMilliseconds))
            << "The list of the active main window has not got the focus";
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    }
    void DropUrls(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 80), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Form(), &enter);
        QDropEvent drop(QPointF(20, 80), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Form(), &drop);
    }

    TScriptedMessenger Messenger;
    TScriptedFileChooser Chooser;
    TRecordingShell Shell;
    TQtMainThreadCaller Caller;
    THookedFileFacts Facts;
    TTreeFixture Tree;
};
}  // namespace mainformtest
