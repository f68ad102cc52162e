#pragma once
// The modal dialog in which the user sets up a comparison: the two directories, the mask
// lists and the three switches. It keeps the current options from one showing to the next,
// imports and exports compare files, and takes a file or folder dropped on it. It never
// chooses files itself: it asks its owner through OnSelectFile and tells it of every compare
// file it read or wrote through OnFileAccess.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "compare/Tcompareoptions.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;
class TMessenger;

enum TSelectFileKind : std::int32_t { skSource = 0, skDestination = 1, skImport = 2, skExport = 3 };
enum TFileAccessKind : std::int32_t { akImported = 0, akExported = 1 };

class TCompareDialog : public QDialog {
    Q_OBJECT
public:
    // Asks for a file or folder: name holds the proposal on entry and the choice on return;
    // result, false on entry, is set true when a choice was made.
    using TSelectFileEvent =
        std::function<void(TCompareDialog* sender, std::string& name, bool& result, TSelectFileKind kind)>;
    using TFileAccessEvent = std::function<void(TCompareDialog* sender, const std::string& name, TFileAccessKind kind)>;

    TCompareDialog(TMessenger& messenger, QWidget* owner = nullptr);
    ~TCompareDialog() override;

    // Runs the dialog modally once; a non-empty name is opened as soon as the dialog is on
    // screen (a compare file is imported, a folder or shortcut target offered for Source or
    // Destination). True when closed with OK; otherwise the options are put back as they were.
    bool Execute(const std::string& name);
    // The current options: after Execute returned true, the committed and valid ones.
    const TCompareOptions& Options() const { return FOptions; }
    const std::string& PendingItem() const { return FPendingItem; }
    // Takes the options and shows them, unless they equal the current ones (typing is kept).
    void SetOptions(const TCompareOptions& options);
    void UpdateControls();
    void UpdateMaskEdits();
    // Checks the controls in order, stopping at the first failure with its message and
    // focus; on success their values become the options.
    bool ValidateControls();
    // Focuses the control when it can take the focus, an edit with its whole text selected.
    void ActivateControl(QWidget* control);
    bool SelectFile(std::string& name, TSelectFileKind kind);
    void NotifyFileAccess(const std::string& name, TFileAccessKind kind);
    bool ImportFile(const std::string& fileName);
    bool ExportFile(const std::string& fileName);
    // One name: a compare file is imported; a folder, a missing name or a shortcut's target
    // is offered for Source or Destination. Any other count is refused.
    void OpenItems(const std::vector<std::string>& names);

    TSelectFileEvent OnSelectFile;
    TFileAccessEvent OnFileAccess;

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing ends here.
    void done(int result) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    // Files dropped on the dialog.
    void OpenDropped(const QMimeData& dropped);
    void FormShow();
    void FormActivate();
    bool FormCloseQuery(int result);
    void MaskSwitchClicked();
    void BrowseSource();
    void BrowseDestination();
    void Import();
    void Export();
    void Swap();
    void Reset();
    void BrowseInto(QLineEdit* edit, TSelectFileKind kind);
    // The options as the controls show them.
    TCompareOptions ControlOptions() const;

    TMessenger& Messenger;
    std::string FPendingItem;
    TCompareOptions FOptions;
    TCompareOptions FSavedOptions;

    // The object names are these role names too.
    QGroupBox* FilesGroup;
    QLabel* SourceLabel;
    QLineEdit* SourceEdit;
    QPushButton* SourceBrowseButton;
    QLabel* DestinationLabel;
    QLineEdit* DestinationEdit;
    QPushButton* DestinationBrowseButton;
    QCheckBox* IncludeCheckBox;
    QLineEdit* IncludeEdit;
    QCheckBox* ExcludeCheckBox;
    QLineEdit* ExcludeEdit;
    QCheckBox* SubdirectoriesCheckBox;
    QGroupBox* CompareGroup;
    QCheckBox* FatPrecisionCheckBox;
    QCheckBox* HourShiftCheckBox;
    QCheckBox* ContentsCheckBox;
    QGroupBox* ResultsGroup;
    QCheckBox* NotModifiedCheckBox;
    QCheckBox* DestinationOnlyCheckBox;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* ImportButton;
    QPushButton* ExportButton;
    QPushButton* SwapButton;
    QPushButton* ResetButton;
};
