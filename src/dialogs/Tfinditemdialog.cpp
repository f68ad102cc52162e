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

    Label1 = new QLabel(tr("Fi&nd:"), this);
    name(Label1, "Label1");
    Label1->setFixedWidth(std::max(scale(65), Label1->sizeHint().width()));
    Label1->setMinimumHeight(scale(25));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Edit1 = new QLineEdit(this);
    name(Edit1, "Edit1");
    Edit1->setMinimumWidth(scale(305));
    Label1->setBuddy(Edit1);
    connect(Edit1, &QLineEdit::textChanged, this, &TFindItemDialog::Edit1Change);

    CheckBox1 = new QCheckBox(tr("&Match absolute name"), this);
    name(CheckBox1, "CheckBox1");
    CheckBox1->setMinimumSize(scale(193, 25));

    RadioGroup1 = new QGroupBox(tr("Direction"), this);
    name(RadioGroup1, "RadioGroup1");
    RadioGroup1->setMinimumSize(scale(177, 57));
    RadioButton1 = new QRadioButton(tr("&Up"), RadioGroup1);
    name(RadioButton1, "RadioButton1");
    RadioButton2 = new QRadioButton(tr("&Down"), RadioGroup1);
    name(RadioButton2, "RadioButton2");
    auto* columns = new QHBoxLayout(RadioGroup1);
    columns->addWidget(RadioButton1, 1);
    columns->addWidget(RadioButton2, 1);

    const auto addButton = [&](const char* objectName, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        name(button, objectName);
        button->setMinimumSize(scale(97, 25));
        return button;
    };
    Button1 = addButton("Button1", tr("&Find Next"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Button2 = addButton("Button2", tr("Find &All"));
    connect(Button2, &QPushButton::clicked, this, [this] { done(FindAllResult); });
    Button3 = addButton("Button3", tr("Cancel"));
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);

    auto* findRow = new QHBoxLayout;
    findRow->setSpacing(scale(7));
    findRow->addWidget(Label1);
    findRow->addWidget(Edit1, 1);
    auto* optionsRow = new QHBoxLayout;
    optionsRow->setSpacing(scale(7));
    optionsRow->addWidget(CheckBox1, 0, Qt::AlignTop);
    optionsRow->addWidget(RadioGroup1);
    optionsRow->addStretch(1);
    auto* left = new QVBoxLayout;
    left->setSpacing(scale(7));
    left->addLayout(findRow);
    left->addLayout(optionsRow);
    left->addStretch(1);
    // The three buttons stand in one column on the right.
    auto* right = new QVBoxLayout;
    right->setSpacing(scale(7));
    right->addWidget(Button1);
    right->addWidget(Button2);
    right->addWidget(Button3);
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

    setTabOrder(Edit1, CheckBox1);
    setTabOrder(CheckBox1, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
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
    Edit1->setFocus();
}

void TFindItemDialog::FormCloseQuery(int result)
{
    if (result == QDialog::Accepted || result == FindAllResult)
        SetOptions(ControlOptions(result == FindAllResult));
}

void TFindItemDialog::Edit1Change()
{
    const bool canFind = !Edit1->text().isEmpty();
    Button1->setEnabled(canFind);
    Button2->setEnabled(canFind);
}

void TFindItemDialog::LoadControls()
{
    Edit1->setText(QString::fromStdString(FOptions.Text));
    CheckBox1->setChecked(FOptions.MatchAbsoluteName);
    (FOptions.Down ? RadioButton2 : RadioButton1)->setChecked(true);
    Edit1Change();
}

TFindItemOptions TFindItemDialog::ControlOptions(bool findAll) const
{
    TFindItemOptions options;
    options.Text = Edit1->text().toStdString();
    options.MatchAbsoluteName = CheckBox1->isChecked();
    options.Down = !RadioButton1->isChecked();
    options.FindAll = findAll;
    return options;
}
