#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "app/Tapplication.h"
#include "support/Tscriptedmessenger.h"

TEST(ApplicationErrorBox, EndsTheMessageWithAFullStopWhenItEndsAboveADot)
{
    EXPECT_EQ(ExceptionBoxText("The file is locked"), "The file is locked.");
    EXPECT_EQ(ExceptionBoxText("Stopped."), "Stopped.");
    EXPECT_EQ(ExceptionBoxText("Stop!"), "Stop!");
    EXPECT_EQ(ExceptionBoxText("At 3"), "At 3.");
    EXPECT_EQ(ExceptionBoxText("(none)"), "(none)");
    EXPECT_EQ(ExceptionBoxText(""), "");
}

TEST(ApplicationErrorBox, ShowsAnExceptionFromAHandlerAndGoesOn)
{
    auto* application = static_cast<TApplication*>(QCoreApplication::instance());
    TScriptedMessenger messenger;
    application->SetMessenger(&messenger);
    messenger.AnswerOk();
    messenger.AnswerOk();
    bool ranAfter = false;
    QTimer::singleShot(0, application, [] { throw std::runtime_error("The handler failed"); });
    QTimer::singleShot(0, application, [] { throw 42; });
    QTimer::singleShot(0, application, [&] {
        ranAfter = true;
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    application->SetMessenger(nullptr);
    EXPECT_TRUE(ranAfter);
    ASSERT_EQ(messenger.Shown().size(), 2U);
    EXPECT_EQ(messenger.Shown()[0].Text, "The handler failed.");
    EXPECT_EQ(messenger.Shown()[0].Caption, "Vellumark");
    EXPECT_EQ(messenger.Shown()[0].Kind, mkError);
    EXPECT_EQ(messenger.Shown()[1].Text, "");
}

// A file dialog used and closed, as Save List As uses one, leaves the user's configuration
// folder (here the test's own, empty one) as it was.
TEST(Application, QtsFileDialogsWriteNoSettingsFileOfTheirOwn)
{
    const QDir config(qEnvironmentVariable("XDG_CONFIG_HOME"));
    ASSERT_TRUE(config.exists());
    const QTemporaryDir folder;
    {
        QFileDialog dialog(nullptr, QStringLiteral("Save List As"), folder.path());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Untitled.csv"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(config.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), QStringList());
}

int main(int argc, char** argv)
{
    // Listing the tests happens without the test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's configuration folder is the test's own, empty one, from before Qt first asks.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    TApplication application(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Vellumark"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
