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
    : QStatusBar(parent), StatusText1(PlainLabel("StatusText1", this)), SelectedText1(PlainLabel("SelectedText1", this))
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(true);
    addWidget(StatusText1, 1);
    addPermanentWidget(SelectedText1);
    SelectedText1->hide();
}

void TMainStatusBar::SetText(const std::string& text) { StatusText1->setText(QString::fromStdString(text)); }

std::string TMainStatusBar::Text() const { return StatusText1->text().toStdString(); }

void TMainStatusBar::ShowItemCount(const TResultList& list)
{
    SetText(list.Filtered() ? CountText(list.Count()) + " of " + CountText(list.TotalCount()) + " items are shown"
                            : CountText(list.TotalCount()) + " items are set in total");
    ShowSelectedCount(list);
}

void TMainStatusBar::ShowSelectedCount(const TResultList& list)
{
    const std::int64_t selected = RowCountOf(list.SelectedRows());
    SelectedText1->setText(selected > 0 ? QString::fromStdString(CountText(selected) + " selected") : QString());
    SelectedText1->setVisible(selected > 0);
}
