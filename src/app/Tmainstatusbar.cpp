#include "app/Tmainstatusbar.h"

#include <QLabel>

#include "app/Tresultlist.h"
#include "sys/Mysysutils.h"

namespace {
QLabel* PlainLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

std::string CountText(std::int64_t count) { return GroupDigits(std::to_string(count)); }
}  // namespace

TMainStatusBar::TMainStatusBar(QWidget* parent)
    : QStatusBar(parent), TextLabel(PlainLabel("TextLabel", this)), SelectedLabel(PlainLabel("SelectedLabel", this))
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    addWidget(TextLabel, 1);
    addPermanentWidget(SelectedLabel);
    SelectedLabel->hide();
}

void TMainStatusBar::SetText(const std::string& text) { TextLabel->setText(QString::fromStdString(text)); }

std::string TMainStatusBar::Text() const { return TextLabel->text().toStdString(); }

void TMainStatusBar::ShowItemCount(const TResultList& list)
{
    SetText(list.Filtered() ? CountText(list.Count()) + " of " + CountText(list.TotalCount()) + " items are shown"
                            : CountText(list.TotalCount()) + " items are set in total");
    ShowSelectedCount(list);
}

void TMainStatusBar::ShowSelectedCount(const TResultList& list)
{
    const std::int64_t selected = RowCountOf(list.SelectedRows());
    SelectedLabel->setText(selected > 0 ? QString::fromStdString(CountText(selected) + " selected") : QString());
    SelectedLabel->setVisible(selected > 0);
}
