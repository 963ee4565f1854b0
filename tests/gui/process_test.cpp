#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include "core/disclosure/date_list.h"
#include "gui_test_support.h"
#include "integration/smtp_test_server.h"
#include "market_simulator.h"
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

    // `zelmora --headless` as on a machine without a display: no X, no
    // Wayland, no Qt platform named.
    std::unique_ptr<QProcess> LaunchHeadless()
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = environment;
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        process->setProcessEnvironment(env);
        process->start(Exe(), {QStringLiteral("--headless")});
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }
    // Waits until what the process wrote to stderr holds the text `count` times.
    static bool WaitForLog(QProcess& process, QString& log, const QString& text, int count = 1)
    {
        return QTest::qWaitFor(
            [&] {
                log += QString::fromUtf8(process.readAllStandardError());
                return log.count(text) >= count;
            },
            20000);
    }
    // A second copy ends at once with status 0, saying what it met.
    static void ExpectToEndAtOnce(QProcess& process, const QString& message = {})
    {
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()), message);
    }
    QString Met(const char* copy) const
    {
        return QStringLiteral("zelmora: %1 already uses %2/\n").arg(QLatin1String(copy), QDir(programDir.path()).canonicalPath());
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

// --help, -h and --version answer before anything else, with a display or
// without; an option nobody knows ends with the usage on stderr. Neither
// makes a file or takes the lock.
TEST_F(ProgramProcessTest, TheCommandLineAnswersBeforeAnythingElse)
{
    struct Case {
        QStringList args;
        bool display;
        int status;
        const char* out;
        const char* err;
    };
    const Case cases[] = {
        {{"--help"}, false, 0, "Usage: zelmora", ""},
        {{"-h"}, true, 0, "Usage: zelmora", ""},
        {{"--version"}, false, 0, "zelmora ", ""},
        {{"-x"}, false, 2, "", "unknown option -x"},
        {{"--frobnicate"}, true, 2, "", "unknown option --frobnicate"},
    };
    for (const Case& c : cases) {
        QProcess process;
        QProcessEnvironment env = environment;
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            if (!c.display)
                env.remove(QString::fromLatin1(name));
        }
        process.setProcessEnvironment(env);
        process.start(Exe(), c.args);
        ASSERT_TRUE(process.waitForFinished(10000)) << c.args.join(' ').toStdString();
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), c.status) << c.args.join(' ').toStdString();
        const QString expectedOut = QString::fromLatin1(c.out);
        EXPECT_EQ(out.left(expectedOut.size()), expectedOut) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(err.contains(QString::fromLatin1(c.err))) << err.toStdString();
        EXPECT_EQ(err.contains(QStringLiteral("Usage: zelmora")), c.status == 2) << err.toStdString();
    }
    EXPECT_EQ(QDir(programDir.path()).entryList(QDir::Files), QStringList{QStringLiteral("zelmora")});
}

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
    const QString stockFolder =
        QString::fromStdString(zelmora::FormatDate(zelmora::SystemClock().Now())) + QStringLiteral("/7203");
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

// The watcher without a window: its passes, the mail of each new disclosure
// once, one copy per folder with a window or without, and the save at
// SIGTERM that leaves a file nobody changed as it was.
TEST_F(ProgramProcessTest, HeadlessWatchesWithoutADisplayAndMailsEachNewDisclosureOnce)
{
    zelmora::testing::SmtpTestServer smtp;
    ASSERT_GT(smtp.Port(), 0);
    zelmora::sim::MarketSimulator simulator;
    ASSERT_GT(simulator.Start(0), 0);
    const std::string settings =
        "[SPECIALKEY]\r\nTEKIJI_URL=" + simulator.ListingBase() + "pages=2/\r\nTEKIJIMAIL=1\r\nKABUKAMAIL=0\r\n"
        "KABUKAUPDATETIME=30\r\nSMTP=" + smtp.Server() + "\r\nADDRESS=me@example.jp\r\n" +
        S("[MEIGARA_DATA]\r\nNUM0=7203\r\nSIJOU0=東証\r\nMESSAGE0=\r\nNUM1=6758\r\nSIJOU1=東証\r\nMESSAGE1=長期\r\n"
          "KOSUU=2\r\nCHKOPENURL=1\r\nCHKGOTASK=0\r\nSELECTEDITEM=0\r\n[LINK_JOUHOU]\r\nBASE_URL=") +
        simulator.BaseAddress() + S("/q?s=銘柄.市場\r\nOPEN_URL=http://127.0.0.1:9/open\r\n"
                                    "OPEN_NIKKEI_URL=http://127.0.0.1:9/nikkei\r\nSTOCK_LINK=Yahoo finance\r\n"
                                    "STOCK_NIKKEI=Yahoo日経\r\nTOSYOU=t\r\nJASDAQ=q\r\nHERAKURESU=j\r\nOOSAKA=o\r\n"
                                    "NAGOYA=n\r\nHUKUOKA=f\r\nSAPPORO=s\r\n");
    WriteFileBytes(programDir.filePath(QStringLiteral("base_data.ini")).toStdString(), settings);

    auto headless = LaunchHeadless();
    QString log;
    ASSERT_TRUE(WaitForLog(*headless, log, QStringLiteral("quote pass: 6 pages, 2 rows with quotes\n"))) << log.toStdString();
    ASSERT_TRUE(WaitForLog(*headless, log, QStringLiteral("disclosure pass: 2 pages, 3 new disclosures\n")))
        << log.toStdString();
    ASSERT_TRUE(WaitForLog(*headless, log, QStringLiteral("disclosure mail: sent\n"), 3)) << log.toStdString();
    ASSERT_EQ(smtp.MailCount(), 3u);
    EXPECT_EQ(smtp.Field(1, "subject") + smtp.Field(2, "subject") + smtp.Field(3, "subject"), "720372036758");
    const QString today = QString::fromStdString(zelmora::FormatDate(zelmora::SystemClock().Now()));
    EXPECT_EQ(ReadFileBytes(programDir.filePath(today + QStringLiteral("/7203/kaijistr.txt")).toStdString()).substr(0, 6),
              "15:00 ");

    // One copy per folder, whichever kind comes second.
    auto second = LaunchHeadless();
    ExpectToEndAtOnce(*second, Met("a headless watcher"));
    auto window = Launch(2);
    ExpectToEndAtOnce(*window);
    EXPECT_FALSE(QFileInfo::exists(Screenshot(2)));

    Terminate(*headless);
    log += QString::fromUtf8(headless->readAllStandardError());
    EXPECT_EQ(log.count(QStringLiteral("saved base_data.ini\n")), 1);
    EXPECT_EQ(Settings(), settings);

    // A restart finds the day's disclosures in their history: nothing is new,
    // nothing is mailed again.
    auto again = LaunchHeadless();
    QString againLog;
    ASSERT_TRUE(WaitForLog(*again, againLog, QStringLiteral("disclosure pass: 2 pages, 0 new disclosures\n")))
        << againLog.toStdString();
    Terminate(*again);
    EXPECT_EQ(smtp.MailCount(), 3u);
    EXPECT_EQ(Settings(), settings);
}

TEST_F(ProgramProcessTest, HeadlessEndsAtOnceOnTheFolderOfARunningWindow)
{
    auto window = Launch(1);
    ASSERT_TRUE(WaitUntilRunning(1));
    auto headless = LaunchHeadless();
    ExpectToEndAtOnce(*headless, Met("a window"));
    EXPECT_EQ(window->state(), QProcess::Running);
    Terminate(*window);
}

// The lock lies in the folder: copies with another runtime folder, or none
// (cron, su), meet it all the same.
TEST_F(ProgramProcessTest, CopiesOfOtherEnvironmentsMeetTheHeadlessWatcher)
{
    auto first = LaunchHeadless();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ReadFileBytes(programDir.filePath(QStringLiteral("zelmora.lock")).toStdString()).starts_with("headless "); },
        15000));
    const QTemporaryDir otherRuntime;
    for (const QString& runtime : {otherRuntime.path(), QString()}) {
        if (runtime.isEmpty())
            environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        else
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        auto second = LaunchHeadless();
        ExpectToEndAtOnce(*second, Met("a headless watcher"));
    }
    EXPECT_EQ(first->state(), QProcess::Running);
    Terminate(*first);
}
