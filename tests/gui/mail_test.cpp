#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <thread>

#include "core/mail/notification_mails.h"
#include "core/schedule/timers.h"
#include "gui/command_ids.h"
#include "gui/dialog_template.h"
#include "gui/mail_settings_dialog.h"
#include "gui/main_window.h"
#include "gui_test_support.h"
#include "integration/local_servers.h"
#include "integration/smtp_test_server.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;
using zelmora::testing::SmtpServerOptions;
using zelmora::testing::SmtpTestServer;

namespace {

constexpr const char* kAddress = "kabu@example.jp";
constexpr int kMinute = 60000;

class MailTest : public ::testing::Test {
protected:
    // Monday 7 December 2026 at the given time.
    void At(int hour, int minute, int weekday = 1, int day = 7)
    {
        clock.now = {2026, 12, day, hour, minute, 0, weekday};
    }

    void WriteSettings(const std::string& server, const std::string& special, const std::string& list = "")
    {
        folder.WriteSettings(S("[MEIGARA_DATA]\r\n") + list + "[SPECIALKEY]\r\nSMTP=" + server + "\r\nADDRESS=" + kAddress +
                             "\r\n" + special);
    }

    std::unique_ptr<MainWindow> Start()
    {
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->OnInitDialog();
        return window;
    }

    // Closing waits for running passes and mails; the file is written then.
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

QLineEdit* Edit(MailSettingsDialog& dialog, int id)
{
    return static_cast<QLineEdit*>(dialog.Control(id));
}

// Clicks where a user would: on the check mark or the button's middle.
void Click(QAbstractButton* button)
{
    const bool box = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, box ? QPoint(6, button->height() / 2) : button->rect().center());
}

void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Opens the dialog with command 32789 and lets drive() work it while it is
// the active modal window; a dialog drive() leaves open is cancelled.
void WithMailSettings(MainWindow& window, const std::function<void(MailSettingsDialog&)>& drive)
{
    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<MailSettingsDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        drive(*dialog);
        driven = true;
        if (dialog->isVisible())
            dialog->reject();
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
    WriteSettings(server.Server(), "KABUKAMAIL=1\r\nKABUKAUPDATETIME=30\r\n",
                  S("KOSUU=2\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=6758\r\nSIJOU1=東証\r\n"));
    folder.WriteSettings(folder.ReadSettings() + "[LINK_JOUHOU]\r\nBASE_URL=" + simulator.BaseAddress() + S("/q?s=銘柄.市場\r\n"));

    At(14, 0);
    auto window = Start();
    QSignalSpy passes(window.get(), &MainWindow::QuotePassFinished);
    QSignalSpy mails(window.get(), &MainWindow::MailThreadFinished);
    ASSERT_TRUE(passes.wait(20000));
    ASSERT_FALSE(Cell(*window, 0, ColPrice).isEmpty());
    EXPECT_EQ(window->TimerInterval(PriceMailTimer), 30 * kMinute);
    EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), 10 * kMinute);

    // Close-mail ticks: 10 minutes apart, minute by minute before the close.
    const struct {
        int timer;
        int hour, minute, weekday, day;
        bool mails;
        int nextCloseTick; // minutes
    } ticks[] = {
        {MarketCloseMailTimer, 14, 10, 1, 7, false, 10},
        {MarketCloseMailTimer, 15, 5, 1, 7, true, 10},
        {MarketCloseMailTimer, 15, 20, 1, 7, false, 1},
        {MarketCloseMailTimer, 15, 29, 1, 7, false, 1},
        {MarketCloseMailTimer, 15, 30, 1, 7, true, 10},
        {PriceMailTimer, 15, 40, 1, 7, false, 10},
        {MarketCloseMailTimer, 15, 40, 1, 7, false, 10},
        {PriceMailTimer, 23, 0, 1, 7, false, 10},
        {PriceMailTimer, 10, 0, 6, 12, false, 10},
        {PriceMailTimer, 9, 10, 2, 8, true, 10},
        {MarketCloseMailTimer, 9, 10, 2, 8, false, 10},
    };
    int sent = 0;
    for (const auto& t : ticks) {
        SCOPED_TRACE(::testing::Message() << t.timer << " at " << t.hour << ":" << t.minute << " day " << t.day);
        At(t.hour, t.minute, t.weekday, t.day);
        window->OnTimer(t.timer);
        if (t.mails) {
            ++sent;
            ASSERT_TRUE(mails.count() >= sent || mails.wait(30000));
        }
        EXPECT_EQ(mails.count(), sent); // no tick starts a mail it should not
        EXPECT_TRUE(window->IsTimerActive(PriceMailTimer));
        EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), t.nextCloseTick * kMinute);
    }
    ASSERT_TRUE(server.WaitForMails(3));
    EXPECT_EQ(server.MailCount(), 3u);

    // The mail shows the list as the window shows it.
    std::string body;
    for (int row = 0; row < 2; ++row) {
        body += (Cell(*window, row, ColCode) + " " + Cell(*window, row, ColPrice) + " " + Cell(*window, row, ColChange) +
                 Cell(*window, row, ColTrend) + "\n")
                    .toStdString();
    }
    EXPECT_EQ(server.Field(3, "subject"), Cell(*window, 0, ColTime).toStdString());
    EXPECT_EQ(server.Field(3, "body"), body);
    EXPECT_EQ(server.Field(3, "from_name"), "zelmora");
    EXPECT_EQ(server.Field(3, "to"), kAddress);
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), QStringLiteral("株価を30分毎にメール"));
    CloseAndWait(*window);
}

TEST_F(MailTest, StartArmsTheCloseMailTimerByTheHour)
{
    const struct {
        int hour, minute;
        const char* special;
        int closeTick; // minutes, 0: stopped
        int priceTick;
    } cases[] = {
        {11, 15, "KABUKAMAIL=1\r\nKABUKAUPDATETIME=10\r\n", 1, 10},
        {15, 45, "KABUKAMAIL=1\r\nKABUKAUPDATETIME=60\r\n", 1, 60},
        {10, 0, "KABUKAMAIL=1\r\nKABUKAUPDATETIME=300\r\n", 10, 300},
        {9, 0, "KABUKAMAIL=1\r\nKABUKAUPDATETIME=0\r\n", 10, 30},
        {11, 15, "KABUKAMAIL=0\r\n", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.special);
        WriteSettings("127.0.0.1:9", c.special);
        At(c.hour, c.minute);
        auto window = Start();
        EXPECT_EQ(window->IsTimerActive(MarketCloseMailTimer), c.closeTick != 0);
        EXPECT_EQ(window->IsTimerActive(PriceMailTimer), c.priceTick != 0);
        if (c.closeTick != 0) {
            EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), c.closeTick * kMinute);
            EXPECT_EQ(window->TimerInterval(PriceMailTimer), c.priceTick * kMinute);
        }
        CloseAndWait(*window);
    }
}

TEST_F(MailTest, FailedMailShowsSendErrorInItsOwnLabelUntilTheNextGoesOut)
{
    SmtpTestServer server(SmtpServerOptions{.refuse = 2});
    ASSERT_GT(server.Port(), 0);
    WriteSettings(server.Server(), "KABUKAMAIL=1\r\nKABUKAUPDATETIME=10\r\nTEKIJIMAIL=1\r\n", "KOSUU=1\r\nNUM0=7203\r\n");
    At(10, 0);
    auto window = Start();
    QSignalSpy mails(window.get(), &MainWindow::MailThreadFinished);
    const QString error = QStringLiteral("送信エラー");
    const QString priceOn = QStringLiteral("株価を10分毎にメール");
    const QString disclosureOn = QStringLiteral("適時開示をメール");

    auto disclosureMail = [&] {
        // As a disclosure pass does: from its own thread, blocking.
        bool sent = false;
        std::thread pass([&] { sent = window->SendMail(MailKind::Disclosure, DisclosureMailSubject("72030"),
                                                        DisclosureMailBody(S("15:00 決算短信 "))); });
        pass.join();
        return sent;
    };
    auto priceMail = [&] {
        const int before = mails.count();
        window->OnTimer(PriceMailTimer);
        return mails.count() > before || mails.wait(30000);
    };

    EXPECT_FALSE(disclosureMail());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text(*window, IDC_DISCLOSURE_MAIL_STATUS) == error; }, 5000));
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), priceOn);

    ASSERT_TRUE(priceMail());
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), error);

    EXPECT_TRUE(disclosureMail());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text(*window, IDC_DISCLOSURE_MAIL_STATUS) == disclosureOn; }, 5000));
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), error);
    ASSERT_TRUE(server.WaitForMails(1));
    EXPECT_EQ(server.Field(1, "subject"), "7203");
    EXPECT_EQ(server.Field(1, "body"), "15:00 決算短信 \n");

    ASSERT_TRUE(priceMail());
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), priceOn);
    CloseAndWait(*window);
}

TEST_F(MailTest, DialogOpensIntervalThreeHundredAsThirtyAndStoresThirty)
{
    WriteSettings("smtp.example.jp", "KABUKAMAIL=1\r\nKABUKAUPDATETIME=300\r\nTEKIJIMAIL=0\r\n");
    At(10, 0);
    auto window = Start();
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), QStringLiteral("株価場終了後にメール"));
    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("メール設定"));
        EXPECT_EQ(Edit(dialog, IDC_MAIL_ADDRESS)->text(), kAddress);
        EXPECT_EQ(Edit(dialog, IDC_SMTP_SERVER)->text(), QStringLiteral("smtp.example.jp"));
        EXPECT_FALSE(Button(dialog, IDC_DISCLOSURE_MAIL)->isChecked());
        EXPECT_TRUE(Button(dialog, IDC_PRICE_MAIL)->isChecked());
        EXPECT_TRUE(Button(dialog, IDC_INTERVAL_30)->isChecked());
        EXPECT_TRUE(Button(dialog, IDC_INTERVAL_30)->isEnabled());
        EXPECT_EQ(Button(dialog, IDC_INTERVAL_10)->text(), QStringLiteral("10分間隔"));
        EXPECT_EQ(Button(dialog, IDC_TEST_MAIL)->text(), QStringLiteral("メール送信テスト"));
        EXPECT_EQ(Button(dialog, IDCANCEL_MAIL)->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        EXPECT_TRUE(static_cast<QPushButton*>(Button(dialog, IDOK_MAIL))->isDefault());
        Click(Button(dialog, IDOK_MAIL));
    });
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), QStringLiteral("株価を30分毎にメール"));
    EXPECT_EQ(window->TimerInterval(PriceMailTimer), 30 * kMinute);
    CloseAndWait(*window);
    EXPECT_NE(folder.ReadSettings().find("KABUKAUPDATETIME=30\r\n"), std::string::npos);
}

TEST_F(MailTest, IntervalRadiosFollowThePriceMailCheckBox)
{
    WriteSettings("smtp.example.jp", "KABUKAMAIL=1\r\nKABUKAUPDATETIME=30\r\nTEKIJIMAIL=1\r\n");
    At(10, 0);
    auto window = Start();
    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        const int radios[] = {IDC_INTERVAL_10, IDC_INTERVAL_30, IDC_INTERVAL_60};
        Click(Button(dialog, IDC_INTERVAL_60));
        Click(Button(dialog, IDC_PRICE_MAIL));
        for (int id : radios)
            EXPECT_FALSE(Button(dialog, id)->isEnabled()) << id;
        Click(Button(dialog, IDC_PRICE_MAIL));
        for (int id : radios)
            EXPECT_TRUE(Button(dialog, id)->isEnabled()) << id;
        EXPECT_TRUE(Button(dialog, IDC_INTERVAL_60)->isChecked());
        // Price mail off; the interval chosen is kept all the same.
        Click(Button(dialog, IDC_PRICE_MAIL));
        Click(Button(dialog, IDOK_MAIL));
    });
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), QString());
    EXPECT_EQ(Text(*window, IDC_DISCLOSURE_MAIL_STATUS), QStringLiteral("適時開示をメール"));
    EXPECT_FALSE(window->IsTimerActive(PriceMailTimer));
    EXPECT_FALSE(window->IsTimerActive(MarketCloseMailTimer));
    CloseAndWait(*window);
    EXPECT_NE(folder.ReadSettings().find("KABUKAMAIL=0\r\nKABUKAUPDATETIME=60\r\n"), std::string::npos);
}

TEST_F(MailTest, CancelAfterATestMailChangesNothing)
{
    SmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    const std::string stored = "127.0.0.1:" + std::to_string(zelmora::testing::UnusedPort());
    WriteSettings(stored, "KABUKAMAIL=1\r\nKABUKAUPDATETIME=60\r\nTEKIJIMAIL=1\r\n");
    At(14, 0);
    auto window = Start();
    const QString priceLabel = Text(*window, IDC_PRICE_MAIL_STATUS);
    const QString disclosureLabel = Text(*window, IDC_DISCLOSURE_MAIL_STATUS);
    const int closeTick = window->TimerInterval(MarketCloseMailTimer);
    const std::string before = folder.ReadSettings();

    WithMailSettings(*window, [&](MailSettingsDialog& dialog) {
        Type(Edit(dialog, IDC_MAIL_ADDRESS), QStringLiteral("typed@example.jp"));
        Type(Edit(dialog, IDC_SMTP_SERVER), QString::fromStdString(server.Server()));
        Click(Button(dialog, IDC_DISCLOSURE_MAIL));
        Click(Button(dialog, IDC_INTERVAL_10));
        Click(Button(dialog, IDC_TEST_MAIL));
        // The window stays responsive while the mail is on its way.
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.MailCount() == 1; }, 20000));
        Click(Button(dialog, IDCANCEL_MAIL));
    });
    ASSERT_EQ(server.MailCount(), 1u);
    EXPECT_EQ(server.Field(1, "rcpt_to"), "typed@example.jp");
    EXPECT_EQ(server.Field(1, "from_name"), "FromZelmora");
    EXPECT_EQ(server.Field(1, "subject"), "test mail");
    EXPECT_EQ(server.Field(1, "body"), "OK\n");

    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), priceLabel);
    EXPECT_EQ(Text(*window, IDC_DISCLOSURE_MAIL_STATUS), disclosureLabel);
    EXPECT_EQ(window->TimerInterval(PriceMailTimer), 60 * kMinute);
    EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), closeTick);
    CloseAndWait(*window);
    // The saved mail settings are the ones loaded.
    const std::string saved = folder.ReadSettings();
    for (const std::string& line : {"SMTP=" + stored + "\r\n", std::string("ADDRESS=") + kAddress + "\r\n",
                                   std::string("TEKIJIMAIL=1\r\n"), std::string("KABUKAUPDATETIME=60\r\n")})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
}

TEST_F(MailTest, OkSetsBothLabelsAndArmsTheTimersEvenLateInAClosingHour)
{
    WriteSettings("smtp.example.jp", "KABUKAMAIL=0\r\nTEKIJIMAIL=0\r\n");
    At(15, 15);
    auto window = Start();
    EXPECT_FALSE(window->IsTimerActive(MarketCloseMailTimer));
    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        EXPECT_FALSE(Button(dialog, IDC_INTERVAL_10)->isEnabled());
        Click(Button(dialog, IDC_PRICE_MAIL));
        Click(Button(dialog, IDC_INTERVAL_10));
        Click(Button(dialog, IDC_DISCLOSURE_MAIL));
        Click(Button(dialog, IDOK_MAIL));
    });
    EXPECT_EQ(Text(*window, IDC_PRICE_MAIL_STATUS), QStringLiteral("株価を10分毎にメール"));
    EXPECT_EQ(Text(*window, IDC_DISCLOSURE_MAIL_STATUS), QStringLiteral("適時開示をメール"));
    EXPECT_EQ(window->TimerInterval(PriceMailTimer), 10 * kMinute);
    ASSERT_TRUE(window->IsTimerActive(MarketCloseMailTimer));
    EXPECT_EQ(window->TimerInterval(MarketCloseMailTimer), kMinute);
    CloseAndWait(*window);
}

TEST_F(MailTest, ClosingWaitsForAPriceMailOnItsWayThenSaves)
{
    SmtpTestServer server(SmtpServerOptions{.delayMs = 700});
    ASSERT_GT(server.Port(), 0);
    WriteSettings(server.Server(), "KABUKAMAIL=1\r\n", "KOSUU=1\r\nNUM0=7203\r\n");
    At(10, 0);
    auto window = Start();
    window->OnTimer(PriceMailTimer);
    QSignalSpy finished(window.get(), &MainWindow::ShutdownFinished);
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(finished.count(), 0);
    ASSERT_TRUE(finished.count() == 1 || finished.wait(60000));
    EXPECT_EQ(server.MailCount(), 1u);
    EXPECT_NE(folder.ReadSettings().find("[MEIGARA_DATA]\r\nNUM0=7203\r\n"), std::string::npos);
}
