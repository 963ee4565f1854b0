#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "gui/desktop_notifier.h"
#include "gui/desktop_opener.h"

#include <cstdlib>
#include <string>

namespace {

QtMessageHandler g_defaultHandler = nullptr;

// Warnings the offscreen platform gives for every window; anything else the
// program prints at warning level or above fails the running test.
bool IsPlatformNoise(const QString& message)
{
    return message.startsWith(QLatin1String("This plugin does not support"));
}

void FailOnWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (IsPlatformNoise(message))
        return;
    g_defaultHandler(type, context, message);
    if (type != QtDebugMsg && type != QtInfoMsg)
        ADD_FAILURE() << "Unexpected Qt message: " << message.toStdString();
}

} // namespace

int main(int argc, char* argv[])
{
    // Offscreen, with the screens a run may have configured.
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Quote passes run from the first moment; pages of the default quote
    // service go to a closed local port instead of leaving this machine.
    qputenv("http_proxy", "http://127.0.0.1:9");
    qputenv("https_proxy", "http://127.0.0.1:9");
    qputenv("no_proxy", "127.0.0.1,localhost");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QDir(runtime.path()).mkpath(QStringLiteral("."));
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QApplication app(argc, argv);
    g_defaultHandler = qInstallMessageHandler(FailOnWarning);
    // No test hands a page to the desktop's browser.
    zelmora::SetDesktopOpener([](const QUrl&) {});
    // Nor a notice to the desktop's notification service: there is no bus here.
    zelmora::SetNotificationBusAddress(QStringLiteral("unix:path=") + runtime.filePath(QStringLiteral("no-bus")));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
