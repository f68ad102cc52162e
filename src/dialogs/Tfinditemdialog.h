#pragma once
// The modal Find dialog: a mask, whether it must fit the whole source path, and the
// direction. It keeps the options of the last accepted find from one showing to the next;
// a cancelled dialog leaves them as they were.

#include <QDialog>

#include "dialogs/Tfinditemoptions.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFindItemDialog : public QDialog {
    Q_OBJECT
public:
    // The result of closing by "Find &All": neither OK nor cancel.
    static constexpr int FindAllResult = 8;

    explicit TFindItemDialog(QWidget* parent = nullptr);

    // Runs the dialog modally; true when it was closed by "&Find Next" or "Find &All", whose
    // options then are Options().
    bool Execute();
    const TFindItemOptions& Options() const { return FOptions; }
    const TFindItemOptions& SavedOptions() const { return FSavedOptions; }
    // Takes the options and shows them, unless they equal the current ones.
    void SetOptions(const TFindItemOptions& options);

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing ends here.
    void done(int result) override;

private:
    void CreateControls();
    void FormShow();
    void FormCloseQuery(int result);
    void MaskChanged();
    void LoadControls();
    TFindItemOptions ControlOptions(bool findAll) const;

    TFindItemOptions FOptions;
    TFindItemOptions FSavedOptions;

    // The object names are these role names too.
    QLabel* MaskLabel;
    QLineEdit* MaskEdit;
    QCheckBox* AbsoluteNameCheckBox;
    QGroupBox* DirectionGroup;
    QRadioButton* UpButton;    // "&Up", index 0
    QRadioButton* DownButton;  // "&Down", index 1
    QPushButton* FindNextButton;
    QPushButton* FindAllButton;
    QPushButton* CancelButton;
};
