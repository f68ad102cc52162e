#include <gtest/gtest.h>

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

int main(int argc, char** argv)
{
    // Listing the tests happens without the test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Vellumark"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
