#pragma once
// What every resizable dialog does: it opens at its design size, which is also its smallest;
// grown by the user, it gives the room to the control that should take it, while a button
// keeps its place at its corner.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QTest>

#include "support/Hangguard.h"

// Grows the shown dialog by the given amount and checks where the room went; the dialog keeps
// the new size. anchoredAtBottom: the button keeps its distance to the bottom right corner,
// else to the top right one.
inline void ExpectRoomGoesTo(QDialog& dialog, const QWidget& stretched, const QWidget& anchored, bool anchoredAtBottom,
                             QSize growth)
{
    const auto place = [&] { return QRect(anchored.mapTo(&dialog, QPoint(0, 0)), anchored.size()); };
    const QSize design = dialog.size();
    EXPECT_EQ(dialog.minimumSize(), design) << "the design is the smallest size";
    const int stretchedWidth = stretched.width();
    const int fromRight = design.width() - place().right();
    const int fromTopOrBottom = anchoredAtBottom ? design.height() - place().bottom() : place().top();
    dialog.resize(design + growth);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.size() == design + growth; }, HangGuardMilliseconds));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(stretched.width(), stretchedWidth + growth.width()) << stretched.objectName().toStdString();
    EXPECT_EQ(dialog.width() - place().right(), fromRight) << anchored.objectName().toStdString();
    EXPECT_EQ(anchoredAtBottom ? dialog.height() - place().bottom() : place().top(), fromTopOrBottom)
        << anchored.objectName().toStdString();
}
