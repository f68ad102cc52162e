#include "dialogs/Tfinditemdialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/Tdesignscale.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtdesktop.h"

TFindItemDialog::TFindItemDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindItemDialog"));
    setWindowTitle(tr("Find"));
    CreateControls();
    LoadControls();
}

void TFindItemDialog::CreateControls()
{
    // Laid out rather than placed: the design's sizes are minimums, so that a larger font
    // than the design's gets room.
    const TDesignScale scale(this);
    const auto name = [](QWidget* control, const char* objectName) {
        control->setObjectName(QString::fromLatin1(objectName));
    };

    MaskLabel = new QLabel(tr("Fi&nd:"), this);
    name(MaskLabel, "MaskLabel");
    MaskLabel->setFixedWidth(std::max(scale(65), MaskLabel->sizeHint().width()));
    MaskLabel->setMinimumHeight(scale(25));
    MaskLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    MaskEdit = new QLineEdit(this);
    name(MaskEdit, "MaskEdit");
    MaskEdit->setMinimumWidth(scale(305));
    MaskLabel->setBuddy(MaskEdit);
    connect(MaskEdit, &QLineEdit::textChanged, this, &TFindItemDialog::MaskChanged);

    AbsoluteNameCheckBox = new QCheckBox(tr("&Match absolute name"), this);
    name(AbsoluteNameCheckBox, "AbsoluteNameCheckBox");
    AbsoluteNameCheckBox->setMinimumSize(scale(193, 25));

    DirectionGroup = new QGroupBox(tr("Direction"), this);
    name(DirectionGroup, "DirectionGroup");
    DirectionGroup->setMinimumSize(scale(177, 57));
    UpButton = new QRadioButton(tr("&Up"), DirectionGroup);
    name(UpButton, "UpButton");
    DownButton = new QRadioButton(tr("&Down"), DirectionGroup);
    name(DownButton, "DownButton");
    auto* columns = new QHBoxLayout(DirectionGroup);
    columns->addWidget(UpButton, 1);
    columns->addWidget(DownButton, 1);

    const auto addButton = [&](const char* objectName, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        name(button, objectName);
        button->setMinimumSize(scale(97, 25));
        return button;
    };
    FindNextButton = addButton("FindNextButton", tr("&Find Next"));
    FindNextButton->setDefault(true);
    connect(FindNextButton, &QPushButton::clicked, this, &QDialog::accept);
    FindAllButton = addButton("FindAllButton", tr("Find &All"));
    connect(FindAllButton, &QPushButton::clicked, this, [this] { done(FindAllResult); });
    CancelButton = addButton("CancelButton", tr("Cancel"));
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* findRow = new QHBoxLayout;
    findRow->setSpacing(scale(7));
    findRow->addWidget(MaskLabel);
    findRow->addWidget(MaskEdit, 1);
    auto* optionsRow = new QHBoxLayout;
    optionsRow->setSpacing(scale(7));
    optionsRow->addWidget(AbsoluteNameCheckBox, 0, Qt::AlignTop);
    optionsRow->addWidget(DirectionGroup);
    optionsRow->addStretch(1);
    auto* left = new QVBoxLayout;
    left->setSpacing(scale(7));
    left->addLayout(findRow);
    left->addLayout(optionsRow);
    left->addStretch(1);
    // The three buttons stand in one column on the right.
    auto* right = new QVBoxLayout;
    right->setSpacing(scale(7));
    right->addWidget(FindNextButton);
    right->addWidget(FindAllButton);
    right->addWidget(CancelButton);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(scale(8), scale(8), scale(7), scale(7));
    layout->setSpacing(scale(15));
    // The design is the smallest size; a wider dialog gives the room to the edit.
    layout->addLayout(left, 1);
    layout->addLayout(right);
    ensurePolished();
    setMinimumSize(sizeHint());
    resize(minimumSize());

    setTabOrder(MaskEdit, AbsoluteNameCheckBox);
    setTabOrder(AbsoluteNameCheckBox, UpButton);
    setTabOrder(UpButton, DownButton);
    setTabOrder(DownButton, FindNextButton);
    setTabOrder(FindNextButton, FindAllButton);
    setTabOrder(FindAllButton, CancelButton);
}

bool TFindItemDialog::Execute()
{
    FSavedOptions = FOptions;
    CentreOnScreen(this);
    const int result = RunModal(*this);
    if (result == QDialog::Accepted || result == FindAllResult)
        return true;
    SetOptions(FSavedOptions);
    return false;
}

void TFindItemDialog::SetOptions(const TFindItemOptions& options)
{
    if (options == FOptions)
        return;
    FOptions = options;
    LoadControls();
}

void TFindItemDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFindItemDialog::done(int result)
{
    FormCloseQuery(result);
    QDialog::done(result);
}

void TFindItemDialog::FormShow()
{
    LoadControls();
    MaskEdit->setFocus();
}

void TFindItemDialog::FormCloseQuery(int result)
{
    if (result == QDialog::Accepted || result == FindAllResult)
        SetOptions(ControlOptions(result == FindAllResult));
}

void TFindItemDialog::MaskChanged()
{
    const bool canFind = !MaskEdit->text().isEmpty();
    FindNextButton->setEnabled(canFind);
    FindAllButton->setEnabled(canFind);
}

void TFindItemDialog::LoadControls()
{
    MaskEdit->setText(QString::fromStdString(FOptions.Text));
    AbsoluteNameCheckBox->setChecked(FOptions.MatchAbsoluteName);
    (FOptions.Down ? DownButton : UpButton)->setChecked(true);
    MaskChanged();
}

TFindItemOptions TFindItemDialog::ControlOptions(bool findAll) const
{
    TFindItemOptions options;
    options.Text = MaskEdit->text().toStdString();
    options.MatchAbsoluteName = AbsoluteNameCheckBox->isChecked();
    options.Down = !UpButton->isChecked();
    options.FindAll = findAll;
    return options;
}
