#include "Tscreenshottour.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

#include "app/Tapplicationforms.h"
#include "app/Tlistfilterfield.h"
#include "app/Tmainform.h"
#include "dialogs/Tcomparedialog.h"
#include "dialogs/Tfinditemdialog.h"
#include "dialogs/Tprogressdialog.h"
#include "operations/qt/Toperationsdialog.h"
#include "support/Namedchild.h"
#include "sys/qt/Qtfilenames.h"

namespace {
// The main window's parts by their object names.
QMenu* Menu(const char* name) { return MainForm->findChild<QMenu*>(QString::fromLatin1(name)); }
QTreeView* List() { return MainForm->findChild<QTreeView*>(QStringLiteral("ResultListView")); }
TListFilterField* FilterField() { return MainForm->findChild<TListFilterField*>(QStringLiteral("FilterField")); }

// Runs the command as its menu item does; one that cannot run ends the tour, which would
// otherwise wait for a window that never comes.
void Trigger(const char* name)
{
    QAction* command = MainForm->findChild<QAction*>(QString::fromLatin1(name));
    if (command == nullptr || !command->isEnabled()) {
        std::fprintf(stderr, "The command %s cannot run.\n", name);
        QCoreApplication::exit(1);
        return;
    }
    command->trigger();
}
}  // namespace

void TScreenshotTour::Start(const QString& folder, const QString& source, const QString& destination)
{
    new TScreenshotTour(folder, source, destination);
}

std::string TScreenshotTour::SettingsFileName(const QString& folder)
{
    return LocalFileName(folder + QStringLiteral("/Settings.ini"));
}

bool TScreenshotTour::IsActiveModal(const QWidget* window)
{
    return window != nullptr && QApplication::activeModalWidget() == window && window->isVisible();
}

TScreenshotTour::TScreenshotTour(const QString& folder, const QString& source, const QString& destination)
    : QObject(qApp), Folder(folder), Timer(new QTimer(this))
{
    QDir().mkpath(folder);
    const auto idle = [] {
        return QApplication::activeModalWidget() == nullptr && QApplication::activePopupWidget() == nullptr;
    };
    const auto modalOfClass = [](const char* className) {
        return [className] {
            QWidget* modal = QApplication::activeModalWidget();
            return modal != nullptr && modal->isVisible() && modal->inherits(className);
        };
    };
    const auto later = [this](std::function<void()> act) { QTimer::singleShot(300, this, std::move(act)); };
    Steps = {
        {idle, [this] { Save(MainForm, "01-main-window-empty"); }},
        {idle, [later] { later([] { Trigger("CompareCommand"); }); }},
        {[] { return IsActiveModal(CompareDialog); },
         [=, this] {
             NamedChild<QLineEdit>(*CompareDialog, "SourceEdit")->setText(source);
             NamedChild<QLineEdit>(*CompareDialog, "DestinationEdit")->setText(destination);
             Save(CompareDialog, "02-compare-dialog");
             NamedChild<QPushButton>(*CompareDialog, "OkButton")->click();
         }},
        {[] { return List()->model()->rowCount() > 0 && QApplication::activeModalWidget() == nullptr; },
         [this] {
             QItemSelectionModel* selection = List()->selectionModel();
             for (int row : {1, 2, 4})
                 selection->select(List()->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
             List()->setFocus();
             Save(MainForm, "03-main-window-results");
         }},
        {idle, [later] { later([] { Trigger("PerformToSelectionCommand"); }); }},
        {[] { return IsActiveModal(OperationsDialog); },
         [] { OperationsDialog->findChild<QPushButton*>(QStringLiteral("CopyButton"))->click(); }},
        // The run has ended once the button reads OK, and the log is complete with its last count.
        {[] {
             const std::vector<std::string> lines = OperationsDialog->GetAllLines();
             return !OperationsDialog->Running() && !lines.empty() && lines.back().starts_with("Not succeeded");
         },
         [this, later] {
             later([this] {
                 Save(OperationsDialog, "03b-operations-dialog");
                 OperationsDialog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
             });
         }},
        {idle, [later] { later([] { Trigger("FindCommand"); }); }},
        {[] { return IsActiveModal(FindItemDialog); },
         [this, later] {
             later([this] {
                 NamedChild<QLineEdit>(*FindItemDialog, "MaskEdit")->setText(QStringLiteral("*.jpg"));
                 Save(FindItemDialog, "03c-find-dialog");
                 NamedChild<QPushButton>(*FindItemDialog, "FindAllButton")->click();
             });
         }},
        {idle,
         [this, later] {
             later([this] {
                 List()->setFocus();
                 Save(MainForm, "03d-found-items");
             });
         }},
        {idle,
         [later] {
             later([] {
                 FilterField()->setFocus();
                 FilterField()->setText(QStringLiteral("*.jpg;*.png"));
             });
         }},
        {idle,
         [this, later] {
             later([this] {
                 Save(MainForm, "03e-filtered-list");
                 FilterField()->clear();
                 List()->setFocus();
             });
         }},
        {idle, [later] { later([] { Menu("EditMenu")->popup(MainForm->mapToGlobal(QPoint(40, 40))); }); }},
        {[] { return Menu("EditMenu")->isVisible(); },
         [this, later] {
             later([this] {
                 Save(Menu("EditMenu"), "04-edit-menu");
                 Menu("EditMenu")->hide();
             });
         }},
        {idle, [later] { later([] { Menu("ContextMenu")->popup(MainForm->mapToGlobal(QPoint(120, 140))); }); }},
        {[] { return Menu("ContextMenu")->isVisible(); },
         [this, later] {
             later([this] {
                 Save(Menu("ContextMenu"), "05-context-menu");
                 Menu("ContextMenu")->hide();
             });
         }},
        {idle, [later] { later([] { Trigger("SizeRemaindersCommand"); }); }},
        {modalOfClass("QMessageBox"),
         [this, later] {
             later([this] {
                 Save(QApplication::activeModalWidget(), "06-size-remainders");
                 static_cast<QMessageBox*>(QApplication::activeModalWidget())->button(QMessageBox::Ok)->click();
             });
         }},
        {idle, [later] { later([] { Trigger("AboutCommand"); }); }},
        {modalOfClass("TMessageWindow"),
         [this, later] {
             later([this] {
                 QWidget* about = QApplication::activeModalWidget();
                 Save(about, "07-about");
                 about->findChildren<QPushButton*>().front()->click();
             });
         }},
        {idle, [later] { later([] { Trigger("SaveListAsCommand"); }); }},
        {modalOfClass("QFileDialog"),
         [this, later] { later([this] { SaveInFileDialog(QStringLiteral("Changes"), "08-save-list-as"); }); }},
        {idle, [later] { later([] { Trigger("CompareCommand"); }); }},
        {[] { return IsActiveModal(CompareDialog); },
         [later] { later([] { NamedChild<QPushButton>(*CompareDialog, "ExportButton")->click(); }); }},
        {modalOfClass("QFileDialog"),
         [this, later] { later([this] { SaveInFileDialog(QStringLiteral("Whole tree"), "09-export"); }); }},
        {[] { return IsActiveModal(CompareDialog); },
         [] { NamedChild<QPushButton>(*CompareDialog, "CancelButton")->click(); }},
        {idle,
         [later] {
             later([] {
                 Menu("FileMenu")->popup(MainForm->mapToGlobal(QPoint(10, 10)));
                 Menu("FileMenu")->setActiveAction(Menu("HistoryMenu")->menuAction());
                 QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
                 QApplication::sendEvent(Menu("FileMenu"), &right);
             });
         }},
        {[] { return Menu("HistoryMenu")->isVisible(); },
         [this, later] {
             later([this] {
                 SaveScreen(MainForm->frameGeometry() | Menu("FileMenu")->geometry() | Menu("HistoryMenu")->geometry(),
                            "10-history-menu");
                 Menu("HistoryMenu")->hide();
                 Menu("FileMenu")->hide();
             });
         }},
        {idle, [later] { later([] { MainForm->close(); }); }},
        {modalOfClass("QMessageBox"),
         [this, later] {
             later([this] {
                 Save(QApplication::activeModalWidget(), "11-clear-the-list");
                 static_cast<QMessageBox*>(QApplication::activeModalWidget())->button(QMessageBox::Ok)->click();
             });
         }},
    };
    connect(Timer, &QTimer::timeout, this, &TScreenshotTour::Poll);
    Timer->start(20);
}

void TScreenshotTour::Poll()
{
    // The progress dialog comes and goes with the run; it is taken whenever it is up.
    if (IsActiveModal(ProgressDialog) && !QFile::exists(Folder + QStringLiteral("/02b-progress-dialog.png")))
        Save(ProgressDialog, "02b-progress-dialog");
    if (Next >= Steps.size() || !Steps[Next].Ready())
        return;
    Steps[Next++].Act();
}

QString TScreenshotTour::PictureName(const char* name) const
{
    return Folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
}

void TScreenshotTour::Save(QWidget* window, const char* name) { window->grab().save(PictureName(name)); }

void TScreenshotTour::SaveScreen(const QRect& area, const char* name)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    picture.save(PictureName(name));
}

void TScreenshotTour::SaveInFileDialog(const QString& fileName, const char* name)
{
    auto* dialog = static_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(fileName);
    Save(dialog, name);
    static_cast<QDialog*>(dialog)->accept();
}
