// The main program of the widget tests: one application object for all tests, titled as the
// program is, on the offscreen platform unless told otherwise, with no way out to the user's
// desktop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

namespace {
QtMessageHandler DefaultHandler = nullptr;

// The offscreen platform says this of every fixed-size window; it tells nothing.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message == QStringLiteral("This plugin does not support propagateSizeHints()"))
        return;
    DefaultHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv)
{
    // Listing the tests happens without the test environment, and needs no display either.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No test may reach the user's file manager or session services.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vellumark-test-bus");
    QStandardPaths::setTestModeEnabled(true);
    DefaultHandler = qInstallMessageHandler(QuietHandler);
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vellumark"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
