#include "support/Modalwindows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "support/Hangguard.h"

void WhenModal(std::function<void(QWidget* modal)> act, bool mayStayOpen)
{
    QTimer::singleShot(0, qApp, [act = std::move(act), mayStayOpen] {
        QPointer<QWidget> modal;
        if (!QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()) != nullptr; },
                             HangGuardMilliseconds)) {
            ADD_FAILURE() << "No modal window came up";
            return;
        }
        act(modal);
        if (!mayStayOpen && modal && modal->isVisible()) {
            ADD_FAILURE() << "The modal window " << modal->objectName().toStdString() << " stayed open";
            modal->hide();
        }
    });
}
