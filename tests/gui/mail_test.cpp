#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <thread>

#include "core/mail/notification_mails.h"
#include "gui/command_ids.h"
#include "gui/dialog_template.h"
#include "gui/mail_settings_dialog.h"
#include "gui_test_support.h"
#include "integration/local_servers.h"
#include "integration/smtp_test_server.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;
using zelmora::testing::SmtpServerOptions;
using zelmora::testing::SmtpTestServer;

namespace {

constexpr int kMinute = 60000;

class MailTest : public ::testing::Test {
protected:
    // A weekday is Monday 7 December 2026, unless told otherwise.
    void At(int hour, int minute, int weekday = 1, int day = 7) { clock.now = {2026, 12, day, hour, minute, 0, weekday}; }

    std::unique_ptr<MainWindow> Start(const std::string& server, const std::string& special, const std::string& extra = "")
    {
        folder.WriteSettings("[SPECIALKEY]\r\nSMTP=" + server + "\r\nADDRESS=kabu@example.jp\r\n" + special + extra);
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->OnInitDialog();
        return window;
    }

    static void CloseAndWait(MainWindow& window)
    {
        QSignalSpy finished(&window, &MainWindow::ShutdownFinished);
        window.close();
        EXPECT_TRUE(finished.count() == 1 || finished.wait(60000));
    }

    FixedClock clock;
    ProgramFolderFixture folder;
};

QAbstractButton* Button(MailSettingsDialog& dialog, int id)
{
    return static_cast<QAbstractButton*>(dialog.Control(id));
}

// Clicks where a user would: on a box's check mark, in a button's middle.
void Click(MailSettingsDialog& dialog, int id)
{
    QAbstractButton* button = Button(dialog, id);
    const bool box = !qobject_cast<QPushButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, box ? QPoint(6, button->height() / 2) : button->rect().center());
}

void Type(MailSettingsDialog& dialog, int id, const QString& text)
{
    auto* edit = static_cast<QLineEdit*>(dialog.Control(id));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Opens the dialog with command 32789 and lets drive() work it as the active
// modal window; a dialog left open is cancelled.
void WithMailSettings(MainWindow& window, const std::function<void(MailSettingsDialog&)>& drive)
{
    bool driven = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<MailSettingsDialog*>(QApplication::activeModalWidget())) {
            drive(*dialog);
            driven = true;
            if (dialog->isVisible())
                dialog->reject();
        }
    });
    EXPECT_TRUE(window.OnCommand(ID_MAIL_SETTINGS));
    EXPECT_TRUE(driven) << "no modal mail settings dialog";
}

} // namespace

TEST_F(MailTest, PriceMailsFollowTheClockThroughTheAfternoonAndTheNextDay)
{
    sim::MarketSimulator simulator(sim::MarketSimulator::Config{{}, &clock});
    ASSERT_GT(simulator.Start(0), 0);
    SmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    At(14, 0);
    auto window = Start(server.Server(), "KABUKAMAIL=1\r\nKABUKAUPDATETIME=30\r\n",
                        S("[MEIGARA_DATA]\r\nKOSUU=2\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=6758\r\nSIJOU1=東証\r\n") +
                            "[LINK_JOUHOU]\r\nBASE_URL=" + simulator.BaseAddress() + S("/q?s=銘柄.市場\r\n"));
    QSignalSpy passes(window.get(), &MainWindow::QuotePassFinished);
    QSignalSpy mails(window.get(), &MainWindow::MailFinished);
    ASSERT_TRUE(passes.wait(20000));
    ASSERT_FALSE(Cell(*window, 1, ColPrice).isEmpty());
    EXPECT_EQ(window->TimerInterval(PriceMailTimer), 30 * kMinute);
    EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), 10 * kMinute);

    const struct {
        int timer, hour, minute, weekday, day;
        bool mails;
        int nextCloseTick; // minutes
    } ticks[] = {
        {MarketCloseMailTimer, 14, 10, 1, 7, false, 10}, {MarketCloseMailTimer, 15, 5, 1, 7, true, 10},
        {MarketCloseMailTimer, 15, 20, 1, 7, false, 1},  {MarketCloseMailTimer, 15, 29, 1, 7, false, 1},
        {MarketCloseMailTimer, 15, 30, 1, 7, true, 10},  {PriceMailTimer, 15, 40, 1, 7, false, 10},
        {MarketCloseMailTimer, 15, 40, 1, 7, false, 10}, {PriceMailTimer, 10, 0, 6, 12, false, 10},
        {PriceMailTimer, 9, 10, 2, 8, true, 10},         {MarketCloseMailTimer, 9, 10, 2, 8, false, 10},
    };
    int sent = 0;
    for (const auto& t : ticks) {
        SCOPED_TRACE(::testing::Message() << "timer " << t.timer << " at " << t.hour << ":" << t.minute << " on " << t.day);
        At(t.hour, t.minute, t.weekday, t.day);
        window->OnTimer(t.timer);
        sent += t.mails ? 1 : 0;
        ASSERT_TRUE(mails.count() == sent || mails.wait(30000));
        EXPECT_EQ(mails.count(), sent);
        EXPECT_TRUE(window->IsTimerActive(PriceMailTimer)); // also after the close
        EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), t.nextCloseTick * kMinute);
    }
    ASSERT_TRUE(server.WaitForMails(3));
    EXPECT_EQ(server.MailCount(), 3u);

    // The mail shows the list as the window shows it.
    QString body;
    for (int row = 0; row < 2; ++row)
        body += Cell(*window, row, ColCode) + " " + Cell(*window, row, ColPrice) + " " + Cell(*window, row, ColChange) +
                Cell(*window, row, ColTrend) + "\n";
    EXPECT_EQ(server.Field(3, "subject"), Cell(*window, 0, ColTime).toStdString());
    EXPECT_EQ(server.Field(3, "body"), body.toStdString());
    EXPECT_EQ(server.Field(3, "from_name") + " " + server.Field(3, "to"), "zelmora kabu@example.jp");
    CloseAndWait(*window);
}

TEST_F(MailTest, StartArmsThePriceMailTimersByTheHour)
{
    const struct {
        int hour;
        const char* special;
        int closeTick, priceTick; // minutes
    } cases[] = {
        {11, "KABUKAMAIL=1\r\nKABUKAUPDATETIME=10\r\n", 1, 10},
        {10, "KABUKAMAIL=1\r\nKABUKAUPDATETIME=300\r\n", 10, 300},
        {15, "KABUKAMAIL=1\r\nKABUKAUPDATETIME=0\r\n", 1, 30},
    };
    for (const auto& c : cases) {
        At(c.hour, 45);
        auto window = Start("127.0.0.1:9", c.special);
        EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), c.closeTick * kMinute) << c.special;
        EXPECT_EQ(window->TimerInterval(PriceMailTimer), c.priceTick * kMinute) << c.special;
        CloseAndWait(*window);
    }
}

TEST_F(MailTest, FailedMailShowsSendErrorInItsOwnLabelUntilTheNextGoesOut)
{
    SmtpTestServer server(SmtpServerOptions{.refuse = 2});
    ASSERT_GT(server.Port(), 0);
    At(10, 0);
    auto window = Start(server.Server(), "KABUKAMAIL=1\r\nKABUKAUPDATETIME=10\r\nTEKIJIMAIL=1\r\n");
    QSignalSpy mails(window.get(), &MainWindow::MailFinished);
    auto disclosureMail = [&] {
        // As a disclosure pass sends it: blocking, on its own thread.
        bool sent = false;
        std::thread([&] {
            sent = window->SendMail(MailKind::Disclosure, DisclosureMailSubject("72030"), DisclosureMailBody(S("15:00 決算短信 ")));
        }).join();
        QTest::qWait(50); // the label follows through the window's queue
        return sent;
    };
    auto priceMail = [&] {
        window->OnTimer(PriceMailTimer);
        return mails.wait(30000);
    };
    auto labels = [&] { return Text(*window, IDC_PRICE_MAIL_STATUS) + "|" + Text(*window, IDC_DISCLOSURE_MAIL_STATUS); };

    EXPECT_FALSE(disclosureMail());
    EXPECT_EQ(labels(), QStringLiteral("株価を10分毎にメール|送信エラー"));
    EXPECT_TRUE(priceMail());
    EXPECT_EQ(labels(), QStringLiteral("送信エラー|送信エラー"));
    EXPECT_TRUE(disclosureMail());
    EXPECT_EQ(labels(), QStringLiteral("送信エラー|適時開示をメール"));
    EXPECT_TRUE(priceMail());
    EXPECT_EQ(labels(), QStringLiteral("株価を10分毎にメール|適時開示をメール"));
    ASSERT_TRUE(server.WaitForMails(2));
    EXPECT_EQ(server.Field(1, "subject") + "|" + server.Field(1, "body"), "7203|15:00 決算短信 \n");
    CloseAndWait(*window);
}

TEST_F(MailTest, DialogStoresWhatOkConfirmsAndArmsTheTimers)
{
    At(10, 0);
    auto window = Start("smtp.example.jp", "KABUKAMAIL=1\r\nKABUKAUPDATETIME=300\r\nTEKIJIMAIL=0\r\n");
    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("メール設定"));
        EXPECT_EQ(static_cast<QLineEdit*>(dialog.Control(IDC_SMTP_SERVER))->text(), QStringLiteral("smtp.example.jp"));
        EXPECT_FALSE(Button(dialog, IDC_DISCLOSURE_MAIL)->isChecked());
        EXPECT_TRUE(Button(dialog, IDC_INTERVAL_30)->isChecked()); // 300 shows as 30
        EXPECT_TRUE(static_cast<QPushButton*>(Button(dialog, IDOK_MAIL))->isDefault());
        Click(dialog, IDOK_MAIL);
    });
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), QStringLiteral("株価を30分毎にメール"));
    EXPECT_EQ(window->TimerInterval(PriceMailTimer), 30 * kMinute);

    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        Click(dialog, IDC_INTERVAL_60);
        Click(dialog, IDC_PRICE_MAIL);
        EXPECT_FALSE(Button(dialog, IDC_INTERVAL_10)->isEnabled() || Button(dialog, IDC_INTERVAL_60)->isEnabled());
        Click(dialog, IDC_PRICE_MAIL);
        EXPECT_TRUE(Button(dialog, IDC_INTERVAL_10)->isEnabled() && Button(dialog, IDC_INTERVAL_60)->isChecked());
        Click(dialog, IDC_PRICE_MAIL);
        Click(dialog, IDOK_MAIL);
    });
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), QString());
    EXPECT_FALSE(window->IsTimerActive(PriceMailTimer) || window->IsTimerActive(MarketCloseMailTimer));

    // Late in a closing hour the stopped close-mail timer starts minute by minute.
    At(15, 15);
    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        Click(dialog, IDC_PRICE_MAIL);
        Click(dialog, IDC_INTERVAL_10);
        Click(dialog, IDC_DISCLOSURE_MAIL);
        Click(dialog, IDOK_MAIL);
    });
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), QStringLiteral("株価を10分毎にメール"));
    EXPECT_EQ(Text(*window, IDC_DISCLOSURE_MAIL_STATUS), QStringLiteral("適時開示をメール"));
    EXPECT_EQ(window->TimerInterval(PriceMailTimer), 10 * kMinute);
    EXPECT_TRUE(window->IsTimerActive(MarketCloseMailTimer));
    EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), kMinute);
    CloseAndWait(*window);
    EXPECT_NE(folder.ReadSettings().find("KABUKAMAIL=1\r\nKABUKAUPDATETIME=10\r\nTEKIJIMAIL=1\r\n"), std::string::npos);
}

TEST_F(MailTest, CancelAfterATestMailChangesNothing)
{
    SmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    At(14, 0);
    auto window = Start("127.0.0.1:9", "KABUKAMAIL=1\r\nKABUKAUPDATETIME=60\r\nTEKIJIMAIL=1\r\n");
    WithMailSettings(*window, [&](MailSettingsDialog& dialog) {
        Type(dialog, IDC_MAIL_ADDRESS, QStringLiteral("typed@example.jp"));
        Type(dialog, IDC_SMTP_SERVER, QString::fromStdString(server.Server()));
        Click(dialog, IDC_DISCLOSURE_MAIL);
        Click(dialog, IDC_INTERVAL_10);
        Click(dialog, IDC_TEST_MAIL);
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.MailCount() == 1; }, 20000));
        Click(dialog, IDCANCEL_MAIL);
    });
    ASSERT_EQ(server.MailCount(), 1u);
    EXPECT_EQ(server.Field(1, "rcpt_to") + "|" + server.Field(1, "from_name") + "|" + server.Field(1, "subject") + "|" +
                  server.Field(1, "body"),
              "typed@example.jp|FromZelmora|test mail|OK\n");
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS) + Text(*window, IDC_DISCLOSURE_MAIL_STATUS),
              QStringLiteral("株価を60分毎にメール適時開示をメール"));
    EXPECT_EQ(window->TimerInterval(PriceMailTimer), 60 * kMinute);
    CloseAndWait(*window);
    EXPECT_NE(folder.ReadSettings().find("SMTP=127.0.0.1:9\r\nADDRESS=kabu@example.jp\r\n"), std::string::npos);
    EXPECT_NE(folder.ReadSettings().find("TEKIJIMAIL=1\r\n"), std::string::npos);
}

TEST_F(MailTest, ClosingWaitsForAPriceMailOnItsWayThenSaves)
{
    SmtpTestServer server(SmtpServerOptions{.delayMs = 700});
    ASSERT_GT(server.Port(), 0);
    At(10, 0);
    auto window = Start(server.Server(), "KABUKAMAIL=1\r\n", "[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\n");
    window->OnTimer(PriceMailTimer);
    QSignalSpy finished(window.get(), &MainWindow::ShutdownFinished);
    window->close();
    EXPECT_EQ(finished.count(), 0);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(server.MailCount(), 1u);
    EXPECT_NE(folder.ReadSettings().find("NUM0=7203\r\n"), std::string::npos);
}
