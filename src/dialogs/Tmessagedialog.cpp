#include "dialogs/Tmessagedialog.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "dialogs/Tdesignscale.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtdesktop.h"

namespace {
// Wider texts wrap, as a standard message box wraps them.
constexpr int DesignMaxTextWidth = 560;

QString DisplayedText(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

int WidestLine(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}
}  // namespace

std::string ApplicationTitle() { return QCoreApplication::applicationName().toStdString(); }

QIcon MessageKindIcon(TMessageKind kind)
{
    const auto icon = [](const char* themeName, QStyle::StandardPixmap fallback) {
        return QIcon::fromTheme(QString::fromLatin1(themeName), QApplication::style()->standardIcon(fallback));
    };
    switch (kind) {
    case mkWarning:
        return icon("dialog-warning", QStyle::SP_MessageBoxWarning);
    case mkError:
        return icon("dialog-error", QStyle::SP_MessageBoxCritical);
    case mkInformation:
        return icon("dialog-information", QStyle::SP_MessageBoxInformation);
    case mkConfirmation:
        return icon("dialog-question", QStyle::SP_MessageBoxQuestion);
    default:
        return {};
    }
}

int CaptionWidth(const QWidget& window)
{
    QFont title = window.font();
    title.setBold(true);
    const QFontMetrics metrics(title);
    // Title bars often use a larger face than the windows' own; beside the caption stand the
    // icon and three buttons, each more than a line high, with the gaps and frame between them.
    return metrics.horizontalAdvance(window.windowTitle()) * 6 / 5 + 8 * metrics.height();
}

TMessageDialog::TMessageDialog() : Caption(ApplicationTitle()) {}

TMessageDialog::~TMessageDialog() = default;

std::int32_t TMessageDialog::Execute()
{
    Result = -1;
    TMessageWindow window(*this, FrontWindow());
    QTimer::singleShot(0, &window, [&window] { BringToForeground(&window); });
    RunModal(window);
    Result = window.Answer();
    return Result;
}

TMessageWindow::TMessageWindow(const TMessageDialog& dialog, QWidget* parent)
    : QDialog(parent), CancelButton(dialog.CancelButton)
{
    const auto count = static_cast<std::int32_t>(std::min(dialog.Buttons.size(), TMessageDialog::MaxButtons));
    EscapeAnswers = CancelButton >= 0 && CancelButton < count;
    // Without any button the close box is the only way out, so it stays even then.
    Closable = CancelButton >= 0 || count == 0;
    setObjectName(QStringLiteral("MessageDialog"));
    setWindowTitle(QString::fromStdString(dialog.Caption));
    if (!Closable)
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    const TDesignScale scale(this);

    IconLabel = new QLabel(this);
    IconLabel->setObjectName(QStringLiteral("IconLabel"));
    const QIcon icon = dialog.Kind == mkCustomIcon ? dialog.Icon : MessageKindIcon(dialog.Kind);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    if (!icon.isNull())
        IconLabel->setPixmap(icon.pixmap(iconSize, iconSize));
    IconLabel->setVisible(!icon.isNull());
    IconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    TextLabel = new QLabel(this);
    TextLabel->setObjectName(QStringLiteral("TextLabel"));
    // Names of files may hold anything that looks like markup.
    TextLabel->setTextFormat(Qt::PlainText);
    TextLabel->setText(DisplayedText(dialog.Text));
    TextLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (WidestLine(TextLabel->fontMetrics(), TextLabel->text()) > scale(DesignMaxTextWidth)) {
        TextLabel->setWordWrap(true);
        TextLabel->setFixedWidth(scale(DesignMaxTextWidth));
    }

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(scale(8));
    buttonRow->addStretch();
    int buttonWidth = scale(97);
    for (std::int32_t i = 0; i < count; ++i) {
        auto* button = new QPushButton(QString::fromStdString(dialog.Buttons[static_cast<std::size_t>(i)]), this);
        button->setObjectName(QStringLiteral("AnswerButton%1").arg(i + 1));
        button->setMinimumHeight(scale(33));
        buttonWidth = std::max(buttonWidth, button->sizeHint().width());
        connect(button, &QPushButton::clicked, this, [this, i] { Choose(i); });
        buttonRow->addWidget(button);
        Answers.push_back(button);
    }
    buttonRow->addStretch();
    for (QPushButton* button : Answers)
        button->setFixedWidth(buttonWidth);

    if (dialog.DefaultButton >= 0 && dialog.DefaultButton < count) {
        QPushButton* defaultButton = Answers[static_cast<std::size_t>(dialog.DefaultButton)];
        defaultButton->setDefault(true);
        defaultButton->setFocus();
    } else if (count > 0) {
        Answers.front()->setFocus();
    }

    // Icon and text keep to the left when the button row is the wider part.
    auto* message = new QHBoxLayout;
    message->setSpacing(scale(14));
    message->addWidget(IconLabel, 0, Qt::AlignTop);
    message->addWidget(TextLabel, 0, Qt::AlignLeft | Qt::AlignVCenter);
    message->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(scale(16), scale(16), scale(16), scale(12));
    layout->setSpacing(scale(20));
    layout->addLayout(message);
    layout->addLayout(buttonRow);
    const QMargins margins = layout->contentsMargins();
    layout->addItem(new QSpacerItem(CaptionWidth(*this) - margins.left() - margins.right(), 0));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TMessageWindow::keyPressEvent(QKeyEvent* event)
{
    // Esc answers only through the cancel button; with none it does nothing.
    if (event->matches(QKeySequence::Cancel)) {
        if (EscapeAnswers)
            Choose(CancelButton);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMessageWindow::closeEvent(QCloseEvent* event)
{
    if (!Closable) {
        event->ignore();
        return;
    }
    Choose(CancelButton);
    event->accept();
}

void TMessageWindow::Choose(std::int32_t index)
{
    Chosen = index;
    done(index);
}
