#include "sys/qt/Tqtfilechooser.h"

#include <QFileDialog>

#include "sys/Mysysutils.h"
#include "sys/Tshell.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtfilenames.h"

namespace {}  // namespace

QStringList QtNameFilters(const std::string& filter)
{
    const std::vector<std::string> parts = SplitText(filter, '|');
    QStringList filters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = QString::fromStdString(parts[i]);
        QString patterns = QString::fromStdString(parts[i + 1]);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString suffix = QStringLiteral("(%1)").arg(patterns);
        filters << (description.endsWith(suffix) ? description : QStringLiteral("%1 %2").arg(description, suffix));
    }
    return filters;
}

bool TQtFileChooser::ExecuteFileDialog(TFileDialog& dialog)
{
    QFileDialog window(FrontWindow(), QString::fromStdString(dialog.Title));
    window.setObjectName(QStringLiteral("FileDialog"));
    window.setAcceptMode(dialog.Kind == fdSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    window.setFileMode(dialog.Kind == fdSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = QtNameFilters(dialog.Filter);
    window.setNameFilters(filters);
    if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size())
        window.selectNameFilter(filters[dialog.FilterIndex - 1]);
    window.setDefaultSuffix(QString::fromStdString(dialog.DefaultExt));
    if (!dialog.InitialDir.empty())
        window.setDirectory(QtFileName(dialog.InitialDir));
    if (!dialog.FileName.empty())
        window.selectFile(QtFileName(dialog.FileName));
    if (RunModal(window) != QDialog::Accepted || window.selectedFiles().isEmpty())
        return false;
    dialog.FileName = LocalFileName(window.selectedFiles().front());
    const auto filterIndex = filters.indexOf(window.selectedNameFilter());
    if (filterIndex >= 0)
        dialog.FilterIndex = static_cast<std::int32_t>(filterIndex + 1);
    return true;
}

bool TQtFileChooser::BrowseFolder(const std::string& prompt, std::string& directory)
{
    return Shell.BrowseForFolder(prompt, directory);
}
