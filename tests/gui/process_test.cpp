#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include "gui_test_support.h"
#include "support/sjis_literals.h"

namespace {

// Runs copies of the real program from a program folder of their own, the
// way a user copies the program somewhere and starts it there.
class ProgramProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(ZELMORA_EXE), Exe()));
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    }

    QString Exe() const { return programDir.filePath(QStringLiteral("zelmora")); }
    QString Screenshot(int n) const { return programDir.filePath(QStringLiteral("shot%1.png").arg(n)); }

    std::unique_ptr<QProcess> Launch(int n, const QStringList& arguments = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = environment;
        env.insert(QStringLiteral("ZELMORA_SCREENSHOT"), Screenshot(n));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(Exe(), arguments);
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }

    // The program keeps a picture of its window once its event loop runs.
    bool WaitUntilRunning(int n) { return QTest::qWaitFor([&] { return QFileInfo::exists(Screenshot(n)); }, 15000); }

    static void Terminate(QProcess& process)
    {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }

    std::string Settings(const QTemporaryDir& folder) const
    {
        return ReadFileBytes(folder.filePath(QStringLiteral("base_data.ini")).toStdString());
    }
    std::string Settings() const { return Settings(programDir); }

    QTemporaryDir programDir;
    QTemporaryDir runtime;
    QProcessEnvironment environment;
};

} // namespace

TEST_F(ProgramProcessTest, SigtermClosesAndSavesLikeTheCloseBox)
{
    WriteFileBytes(programDir.filePath(QStringLiteral("base_data.ini")).toStdString(),
                   S("[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=6758\r\nSIJOU0=東証\r\nMESSAGE0=メモ\r\n"));
    auto first = Launch(1);
    ASSERT_TRUE(WaitUntilRunning(1));
    Terminate(*first);
    EXPECT_NE(Settings().find(S("NUM0=6758\r\nSIJOU0=東証\r\nMESSAGE0=メモ\r\nKOSUU=1\r\n")), std::string::npos) << Settings();
}

TEST_F(ProgramProcessTest, SigintAlsoSaves)
{
    auto first = Launch(1);
    ASSERT_TRUE(WaitUntilRunning(1));
    ::kill(static_cast<pid_t>(first->processId()), SIGINT);
    ASSERT_TRUE(first->waitForFinished(10000));
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_NE(Settings().find("KOSUU=0\r\n"), std::string::npos);
}

TEST_F(ProgramProcessTest, SecondCopyEndsAtOnceAndTheFirstRunsOn)
{
    auto first = Launch(1);
    ASSERT_TRUE(WaitUntilRunning(1));

    auto second = Launch(2);
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardOutput().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Screenshot(2)));
    EXPECT_TRUE(Settings().empty()); // the second copy saved nothing
    EXPECT_EQ(first->state(), QProcess::Running);

    Terminate(*first);

    // Once the first copy has ended, a new one starts normally.
    auto third = Launch(3);
    ASSERT_TRUE(WaitUntilRunning(3));
    EXPECT_EQ(third->state(), QProcess::Running);
    Terminate(*third);
}

TEST_F(ProgramProcessTest, CopiesOnTwoFoldersRunSideBySide)
{
    QTemporaryDir otherDir;
    auto first = Launch(1);
    ASSERT_TRUE(WaitUntilRunning(1));
    auto second = Launch(2, {QStringLiteral("--folder"), otherDir.path()});
    ASSERT_TRUE(WaitUntilRunning(2));
    // A third copy on the second copy's folder, by another spelling of it.
    auto third = Launch(3, {QStringLiteral("--folder=%1/../%2").arg(otherDir.path(), QFileInfo(otherDir.path()).fileName())});
    ASSERT_TRUE(third->waitForFinished(10000));
    EXPECT_EQ(third->exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(Screenshot(3)));

    Terminate(*second);
    Terminate(*first);
    EXPECT_NE(Settings().find("KOSUU=0\r\n"), std::string::npos);
    EXPECT_NE(Settings(otherDir).find("KOSUU=0\r\n"), std::string::npos);
}

// What a kill -9 during a save leaves behind goes at the next start: the
// temporary files of the program folder and of today's stock folders.
TEST_F(ProgramProcessTest, StartRemovesTheTemporaryFilesOfAnInterruptedSave)
{
    const QDir folder(programDir.path());
    const QString stockFolder = QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("/7203");
    ASSERT_TRUE(folder.mkpath(stockFolder));
    const QStringList stale = {QStringLiteral("base_data.ini.h3Kq9Z"), stockFolder + QStringLiteral("/kaijistr.txt.Ab12Cd")};
    const QStringList kept = {QStringLiteral("base_data.ini.bak"), QStringLiteral("memo.txt"), stockFolder + QStringLiteral("/kaijistr.txt")};
    for (const QString& name : stale + kept) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[MEIGARA_DATA]\r\nKOSUU=0\r\n");
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    }

    auto first = Launch(1);
    ASSERT_TRUE(WaitUntilRunning(1));
    for (const QString& name : stale)
        EXPECT_FALSE(QFileInfo::exists(folder.filePath(name))) << name.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(QFileInfo::exists(folder.filePath(name))) << name.toStdString();
    Terminate(*first);
}
