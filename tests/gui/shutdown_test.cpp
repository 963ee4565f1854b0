// The window against services that never answer: closing still saves at
// once, ticks never pile up threads, and the status label tells the truth.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <fstream>

#include "gui/link_url_dialog.h"
#include "gui/mail_settings_dialog.h"
#include "gui/main_window.h"
#include "gui_test_support.h"
#include "integration/local_servers.h"
#include "integration/smtp_test_server.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;
using zelmora::testing::HangingServer;

namespace {

class ShutdownTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_GT(simulator.Start(0), 0); }

    std::unique_ptr<MainWindow> Start(const std::string& settings)
    {
        folder.WriteSettings(settings);
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->Start();
        return window;
    }


    FixedClock clock;
    ProgramFolderFixture folder;
    sim::MarketSimulator simulator;
};

const std::string kRow = S("[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\nMESSAGE0=メモ\r\n");

} // namespace

// A page hangs on a server that accepts and never answers: the close
// returns with the settings written long before the hang would end. The
// listing page, the document and the mail hang the same watcher, whose own
// tests (WatcherStop) stop each of them.
TEST_F(ShutdownTest, ClosingWhileATransferHangsSavesAtOnce)
{
    HangingServer hanging;
    auto window = Start(kRow + "[LINK_JOUHOU]\r\nBASE_URL=" + hanging.Address(S("/q?s=銘柄.市場")) +
                        "\r\n[SPECIALKEY]\r\nTEKIJI_URL=" + simulator.ListingBase() + "pages=1/\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return hanging.Accepted() > 0; }));
    QTest::qWait(100);
    QSignalSpy finished(window.get(), &MainWindow::ShutdownFinished);
    const auto started = std::chrono::steady_clock::now();
    window->close();
    EXPECT_LT(std::chrono::steady_clock::now() - started, HangingServer::kHang / 2);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_NE(folder.ReadSettings().find(S("MESSAGE0=メモ\r\nKOSUU=1\r\n")), std::string::npos);
}

// The lookup of a typed code answered with an error while a disclosure pass
// reads its slow pages: the label still says that data is being fetched.
TEST_F(ShutdownTest, ALookupErrorLeavesTheStatusOfARunningDisclosurePass)
{
    auto window = Start(kRow + "[LINK_JOUHOU]\r\nBASE_URL=" + simulator.BaseAddress() + S("/q?status=404&s=銘柄.市場") +
                        "\r\n[SPECIALKEY]\r\nTEKIJI_URL=" + simulator.ListingBase() + "slow=1500/\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return simulator.RequestCount() >= 6; })); // the start-up quote pass
    QSignalSpy lookups(window.get(), &MainWindow::EntryRowLookedUp);
    Control<QLineEdit>(*window, "codeEdit")->setText(QStringLiteral("9984"));
    ASSERT_TRUE(lookups.wait(20000));
    EXPECT_EQ(Text(*window, "nameEdit"), QStringLiteral("no data"));
    EXPECT_EQ(Text(*window, "statusLabel"), QStringLiteral("データ取得中"));
}

// Closing while a dialog is open closes the dialog as Cancel does: nothing
// it would confirm later can come after the save.
TEST_F(ShutdownTest, ClosingClosesAnOpenDialogFirst)
{
    auto window = Start(kRow);
    window->ShowLinkUrlSettings();
    auto* dialog = qobject_cast<LinkUrlDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    Control<QComboBox>(*dialog, "stockLinkCombo")->setEditText(QStringLiteral("http://typed/"));
    window->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(folder.ReadSettings().find("http://typed/"), std::string::npos);
    QTest::qWait(0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Enter presses the focused button of the mail dialog, and the test mail
// says how it went.
TEST_F(ShutdownTest, MailDialogEnterPressesTheFocusedButtonAndTheTestMailAnswers)
{
    zelmora::testing::SmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    auto window = Start(kRow + "[SPECIALKEY]\r\nADDRESS=kabu@example.jp\r\nSMTP=" + server.Server() + "\r\n");
    QSignalSpy mails(window.get(), &MainWindow::MailFinished);
    window->ShowMailSettings();
    auto* dialog = qobject_cast<MailSettingsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* testButton = Control<QPushButton>(*dialog, "testMailButton");
    testButton->setFocus();
    QTest::keyClick(testButton, Qt::Key_Return);
    ASSERT_TRUE(mails.wait(20000));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Text(*dialog, "testMailResultLabel"), QStringLiteral("送信しました"));

    Control<QLineEdit>(*dialog, "serverEdit")->setText(QStringLiteral("127.0.0.1:%1").arg(zelmora::testing::UnusedPort()));
    testButton->click();
    ASSERT_TRUE(mails.wait(20000));
    EXPECT_EQ(Text(*dialog, "testMailResultLabel"), QStringLiteral("送信エラー"));
    EXPECT_EQ(Text(*dialog, "testMailReasonLabel"), QStringLiteral("サーバーに接続できません（名前とポートを確かめてください）"));

    QSignalSpy rejected(dialog, &QDialog::rejected);
    auto* cancel = Control<QPushButton>(*dialog, "cancelButton");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_EQ(rejected.count(), 1);
    window->close();
    EXPECT_NE(folder.ReadSettings().find("SMTP=" + server.Server() + "\r\n"), std::string::npos);
}
