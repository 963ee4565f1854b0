#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "core/mail/notification_mails.h"
#include "gui/dialog_template.h"
#include "session/mail_password_store.h"
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

// The stock's name as a mail's line, when the list knows it.
std::string NameLine(MainWindow& window, int row)
{
    const std::string name = Cell(window, row, ColName).toStdString();
    return name.empty() ? name : name + "\n";
}

constexpr int kMinute = 60000;

class MailTest : public ::testing::Test {
protected:
    // A weekday is Monday 7 December 2026, unless told otherwise.
    void At(int hour, int minute, int weekday = 1, int day = 7) { clock.now = {2026, 12, day, hour, minute, 0, weekday}; }

    std::unique_ptr<MainWindow> Start(const std::string& server, const std::string& special, const std::string& extra = "")
    {
        folder.WriteSettings("[SPECIALKEY]\r\nSMTP=" + server + "\r\nADDRESS=kabu@example.jp\r\n" + special + extra);
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->Start();
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

QAbstractButton* Button(MailSettingsDialog& dialog, const char* name)
{
    return Control<QAbstractButton>(dialog, name);
}

// Clicks where a user would: on a box's check mark, in a button's middle.
void Click(MailSettingsDialog& dialog, const char* name)
{
    QAbstractButton* button = Button(dialog, name);
    const bool box = !qobject_cast<QPushButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, box ? QPoint(6, button->height() / 2) : button->rect().center());
}

void Type(MailSettingsDialog& dialog, const char* name, const QString& text)
{
    auto* edit = Control<QLineEdit>(dialog, name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Opens the dialog as its menu item does and lets drive() work it as the
// active modal window; a dialog left open is cancelled.
void WithMailSettings(MainWindow& window, const std::function<void(MailSettingsDialog&)>& drive)
{
    window.ShowMailSettings();
    auto* dialog = qobject_cast<MailSettingsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr) << "no modal mail settings dialog";
    const QPointer<MailSettingsDialog> open(dialog);
    drive(*dialog);
    if (open && open->isVisible())
        open->reject();
    QTest::qWait(0); // the closed dialog goes
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
    EXPECT_EQ(Timer(*window, "priceMailTimer")->interval(), 30 * kMinute);
    EXPECT_EQ(Timer(*window, "marketCloseMailTimer")->interval(), 10 * kMinute);

    const struct {
        const char* timer;
        int hour, minute, weekday, day;
        bool mails;
        int nextCloseTick; // minutes
    } ticks[] = {
        {"marketCloseMailTimer", 14, 10, 1, 7, false, 10}, {"marketCloseMailTimer", 15, 5, 1, 7, true, 10},
        {"marketCloseMailTimer", 15, 20, 1, 7, false, 1},  {"marketCloseMailTimer", 15, 29, 1, 7, false, 1},
        {"marketCloseMailTimer", 15, 30, 1, 7, true, 10},  {"priceMailTimer", 15, 40, 1, 7, false, 10},
        {"marketCloseMailTimer", 15, 40, 1, 7, false, 10}, {"priceMailTimer", 10, 0, 6, 12, false, 10},
        {"priceMailTimer", 9, 10, 2, 8, true, 10},         {"marketCloseMailTimer", 9, 10, 2, 8, false, 10},
        // The exchange's year end, a Thursday: no mail all day.
        {"priceMailTimer", 10, 0, 4, 31, false, 10},       {"marketCloseMailTimer", 15, 5, 4, 31, false, 10},
        {"marketCloseMailTimer", 15, 30, 4, 31, false, 10},
    };
    int sent = 0;
    for (const auto& t : ticks) {
        SCOPED_TRACE(::testing::Message() << "timer " << t.timer << " at " << t.hour << ":" << t.minute << " on " << t.day);
        At(t.hour, t.minute, t.weekday, t.day);
        Tick(*window, t.timer);
        sent += t.mails ? 1 : 0;
        ASSERT_TRUE(mails.count() == sent || mails.wait(30000));
        EXPECT_EQ(mails.count(), sent);
        EXPECT_TRUE(Timer(*window, "priceMailTimer")->isActive()); // also after the close
        EXPECT_EQ(Timer(*window, "marketCloseMailTimer")->interval(), t.nextCloseTick * kMinute);
    }
    ASSERT_TRUE(server.WaitForMails(3));
    EXPECT_EQ(server.MailCount(), 3u);

    // The mail shows the list as the window shows it.
    QString body;
    for (int row = 0; row < 2; ++row)
        body += Cell(*window, row, ColCode) + " " + Cell(*window, row, ColName) + " " + Cell(*window, row, ColPrice) + " " +
                Cell(*window, row, ColChange) + Cell(*window, row, ColTrend) + "\n";
    // The four indices below the rows, as their labels show them.
    body += "\n";
    for (const char* index : {"nikkei", "topix", "jasdaq", "futures"}) {
        const QByteArray label(index);
        body += Text(*window, label + "Label") + " " + Text(*window, label + "ChangeLabel") + "\n";
    }
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
        EXPECT_EQ(Timer(*window, "marketCloseMailTimer")->interval(), c.closeTick * kMinute) << c.special;
        EXPECT_EQ(Timer(*window, "priceMailTimer")->interval(), c.priceTick * kMinute) << c.special;
        CloseAndWait(*window);
    }
}

// Disclosure mails come from the start-up pass over the simulator's
// listing; the server refuses the first three mails.
TEST_F(MailTest, FailedMailShowsSendErrorInItsOwnLabelUntilTheNextGoesOut)
{
    SmtpTestServer server(SmtpServerOptions{.refuse = 3});
    ASSERT_GT(server.Port(), 0);
    sim::MarketSimulator simulator(sim::MarketSimulator::Config{{}, &clock});
    ASSERT_GT(simulator.Start(0), 0);
    At(10, 0);
    auto window = Start(server.Server(),
                        "KABUKAMAIL=1\r\nKABUKAUPDATETIME=10\r\nTEKIJIMAIL=1\r\nTEKIJI_URL=" + simulator.ListingBase() + "pages=1/\r\n",
                        S("[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n"));
    QSignalSpy mails(window.get(), &MainWindow::MailFinished);
    auto labels = [&] { return Text(*window, "priceMailStatusLabel") + "|" + Text(*window, "disclosureMailStatusLabel"); };
    auto priceMail = [&] {
        const int before = static_cast<int>(mails.count());
        Tick(*window, "priceMailTimer");
        return QTest::qWaitFor([&] { return mails.count() > before; }, 30000);
    };

    ASSERT_TRUE(QTest::qWaitFor([&] { return mails.count() == 2; }, 30000)); // the two disclosures of 7203
    EXPECT_EQ(labels(), QStringLiteral("株価を10分毎にメール|送信エラー"));
    EXPECT_TRUE(priceMail());
    EXPECT_EQ(labels(), QStringLiteral("送信エラー|送信エラー"));
    EXPECT_TRUE(priceMail());
    EXPECT_EQ(labels(), QStringLiteral("株価を10分毎にメール|送信エラー"));

    // The history forgotten, the same disclosures are new again when today
    // is chosen anew, and go out.
    std::filesystem::remove_all(folder.Folder() + "20261207");
    auto* dates = Control<QComboBox>(*window, "dateCombo");
    dates->setCurrentIndex(1);
    dates->setCurrentIndex(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mails.count() == 6; }, 30000));
    EXPECT_EQ(labels(), QStringLiteral("株価を10分毎にメール|適時開示をメール"));
    ASSERT_TRUE(server.WaitForMails(3));
    EXPECT_EQ(server.Field(2, "subject") + "|" + server.Field(2, "body"),
              "7203|15:00 2026年3月期 第2四半期決算短信〔日本基準〕（連結） \n" + NameLine(*window, 0) +
                  simulator.ListingBase() + "pages=1/T20261207-1.pdf\n");
    CloseAndWait(*window);
}

TEST_F(MailTest, DialogStoresWhatOkConfirmsAndArmsTheTimers)
{
    At(10, 0);
    auto window = Start("smtp.example.jp", "KABUKAMAIL=1\r\nKABUKAUPDATETIME=300\r\nTEKIJIMAIL=0\r\n");
    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("メール設定"));
        EXPECT_EQ(static_cast<QLineEdit*>(Control(dialog, "serverEdit"))->text(), QStringLiteral("smtp.example.jp"));
        EXPECT_FALSE(Button(dialog, "disclosureMailCheck")->isChecked());
        EXPECT_TRUE(Button(dialog, "interval30Radio")->isChecked()); // 300 shows as 30
        EXPECT_TRUE(static_cast<QPushButton*>(Button(dialog, "okButton"))->isDefault());
        Click(dialog, "okButton");
    });
    EXPECT_EQ(Text(*window, "priceMailStatusLabel"), QStringLiteral("株価を30分毎にメール"));
    EXPECT_EQ(Timer(*window, "priceMailTimer")->interval(), 30 * kMinute);

    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        Click(dialog, "interval60Radio");
        Click(dialog, "priceMailCheck");
        EXPECT_FALSE(Button(dialog, "interval10Radio")->isEnabled() || Button(dialog, "interval60Radio")->isEnabled());
        Click(dialog, "priceMailCheck");
        EXPECT_TRUE(Button(dialog, "interval10Radio")->isEnabled() && Button(dialog, "interval60Radio")->isChecked());
        Click(dialog, "priceMailCheck");
        Click(dialog, "okButton");
    });
    EXPECT_EQ(Text(*window, "priceMailStatusLabel"), QString());
    EXPECT_FALSE(Timer(*window, "priceMailTimer")->isActive() || Timer(*window, "marketCloseMailTimer")->isActive());

    // Late in a closing hour the stopped close-mail timer starts minute by minute.
    At(15, 15);
    WithMailSettings(*window, [](MailSettingsDialog& dialog) {
        Click(dialog, "priceMailCheck");
        Click(dialog, "interval10Radio");
        Click(dialog, "disclosureMailCheck");
        Click(dialog, "okButton");
    });
    EXPECT_EQ(Text(*window, "priceMailStatusLabel"), QStringLiteral("株価を10分毎にメール"));
    EXPECT_EQ(Text(*window, "disclosureMailStatusLabel"), QStringLiteral("適時開示をメール"));
    EXPECT_EQ(Timer(*window, "priceMailTimer")->interval(), 10 * kMinute);
    EXPECT_TRUE(Timer(*window, "marketCloseMailTimer")->isActive());
    EXPECT_EQ(Timer(*window, "marketCloseMailTimer")->interval(), kMinute);
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
        Type(dialog, "addressEdit", QStringLiteral("typed@example.jp"));
        Type(dialog, "serverEdit", QString::fromStdString(server.Server()));
        Click(dialog, "disclosureMailCheck");
        Click(dialog, "interval10Radio");
        Click(dialog, "testMailButton");
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.MailCount() == 1; }, 20000));
        Click(dialog, "cancelButton");
    });
    ASSERT_EQ(server.MailCount(), 1u);
    EXPECT_EQ(server.Field(1, "rcpt_to") + "|" + server.Field(1, "from_name") + "|" + server.Field(1, "subject") + "|" +
                  server.Field(1, "body"),
              "typed@example.jp|zelmora|test mail|OK\n");
    EXPECT_EQ(Text(*window, "priceMailStatusLabel") + Text(*window, "disclosureMailStatusLabel"),
              QStringLiteral("株価を60分毎にメール適時開示をメール"));
    EXPECT_EQ(Timer(*window, "priceMailTimer")->interval(), 60 * kMinute);
    CloseAndWait(*window);
    EXPECT_NE(folder.ReadSettings().find("SMTP=127.0.0.1:9\r\nADDRESS=kabu@example.jp\r\n"), std::string::npos);
    EXPECT_NE(folder.ReadSettings().find("TEKIJIMAIL=1\r\n"), std::string::npos);
}

// A mail on its way is given up at once: the settings are saved and the
// window is gone long before the slow server would have answered.
TEST_F(MailTest, ClosingGivesUpAPriceMailOnItsWayAndSavesAtOnce)
{
    SmtpTestServer server(SmtpServerOptions{.delayMs = 5000});
    ASSERT_GT(server.Port(), 0);
    At(10, 0);
    auto window = Start(server.Server(), "KABUKAMAIL=1\r\n", "[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\n");
    Tick(*window, "priceMailTimer");
    QTest::qWait(300); // the mail is on its way
    QSignalSpy finished(window.get(), &MainWindow::ShutdownFinished);
    const auto started = std::chrono::steady_clock::now();
    window->close();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    EXPECT_NE(folder.ReadSettings().find("NUM0=7203\r\n"), std::string::npos);
}

namespace {

std::filesystem::perms Permissions(const std::string& path)
{
    return std::filesystem::status(path).permissions() & std::filesystem::perms::mask;
}

constexpr auto kOwnerOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

class MailLoginTest : public MailTest {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty()) {
            GTEST_SKIP() << "dbus-daemon or gnome-keyring-daemon is not installed";
        }
        ASSERT_TRUE(server.Port() > 0);
        At(10, 0);
    }

    // The window as a restart makes it, once its store has answered.
    std::unique_ptr<MainWindow> Restart()
    {
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->Start();
        QSignalSpy settled(Store(*window), &MailPasswordStore::Settled);
        EXPECT_TRUE(settled.wait(15000));
        return window;
    }

    static MailPasswordStore* Store(MainWindow& window) { return window.findChild<MailPasswordStore*>(); }

    // OK or Cancel in the dialog; waits for the store's jobs that OK starts.
    static void Confirm(MainWindow& window, const char* button, const std::function<void(MailSettingsDialog&)>& type)
    {
        QSignalSpy settled(Store(window), &MailPasswordStore::Settled);
        WithMailSettings(window, [&](MailSettingsDialog& dialog) {
            type(dialog);
            Click(dialog, button);
        });
        if (std::string(button) == "okButton") {
            EXPECT_TRUE(settled.wait(15000));
        }
    }

    // A price mail of the running market; true when the server took it.
    // Only the price mail's own result fills its emptied label: a test mail
    // that answers late cannot pass for it.
    static bool PriceMailSent(MainWindow& window)
    {
        auto* label = Control<QLabel>(window, "priceMailStatusLabel");
        label->clear();
        Tick(window, "priceMailTimer");
        return QTest::qWaitFor([&] { return !label->text().isEmpty(); }, 30000) &&
               label->text() != QStringLiteral("送信エラー");
    }

    static void UseSessionBus(bool withSecretStore)
    {
        const SessionBus& bus = SessionBus::OfThisProcess(withSecretStore);
        if (bus.WithSecretStore() != withSecretStore)
            GTEST_SKIP() << "this process has a session bus of the other kind; run each test in a process of its own";
        ASSERT_TRUE(bus.Ready()) << "the test's session bus or its secret store did not come up";
    }

    QString Key() const { return QString::fromStdString("taro@" + server.Server()); }

    SmtpTestServer server{SmtpServerOptions{.user = "taro", .password = "himitsu 123"}};
};

} // namespace

TEST_F(MailLoginTest, DialogKeepsThePasswordInTheSecretStoreAndARestartLogsInWithIt)
{
    UseSessionBus(true);
    if (IsSkipped() || HasFatalFailure())
        return;
    folder.WriteSettings("[SPECIALKEY]\r\nSMTP=" + server.Server() + "\r\nADDRESS=kabu@example.jp\r\nKABUKAMAIL=1\r\n");
    auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
    window->Start();

    // The test mail logs in with what is typed; Cancel keeps nothing of it.
    Confirm(*window, "cancelButton", [&](MailSettingsDialog& dialog) {
        EXPECT_FALSE(Control<QLabel>(dialog, "passwordNoteLabel")->isVisible());
        EXPECT_EQ(Control<QLineEdit>(dialog, "passwordEdit")->echoMode(), QLineEdit::Password);
        Type(dialog, "userEdit", QStringLiteral("taro"));
        Type(dialog, "passwordEdit", QStringLiteral("wrong"));
        Click(dialog, "testMailButton");
        EXPECT_TRUE(QTest::qWaitFor([&] { return Text(dialog, "testMailResultLabel") == QStringLiteral("送信エラー"); }, 20000));
        EXPECT_EQ(Text(dialog, "testMailReasonLabel"), QStringLiteral("サーバーがログインを拒否しました"));
        Type(dialog, "passwordEdit", QStringLiteral("himitsu 123"));
        Click(dialog, "testMailButton");
        EXPECT_TRUE(server.WaitForMails(1));
    });
    EXPECT_EQ(server.Field(1, "login"), "taro");
    EXPECT_FALSE(PriceMailSent(*window)) << "the cancelled login was used";
    EXPECT_EQ(StoredPassword(Key()), std::nullopt);

    // Closing at once lets the store take the password before the save.
    WithMailSettings(*window, [&](MailSettingsDialog& dialog) {
        Type(dialog, "userEdit", QStringLiteral("taro"));
        Type(dialog, "passwordEdit", QStringLiteral("himitsu 123"));
        Click(dialog, "okButton");
    });
    CloseAndWait(*window);
    EXPECT_EQ(StoredPassword(Key()), QStringLiteral("himitsu 123"));
    const std::string saved = folder.ReadSettings();
    EXPECT_NE(saved.find("SMTPUSER=taro\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("SMTPPASS"), std::string::npos);
    EXPECT_EQ(saved.find("himitsu"), std::string::npos);
    EXPECT_EQ(Permissions(folder.SettingsPath()), kOwnerOnly);

    window = Restart();
    EXPECT_TRUE(PriceMailSent(*window));
    ASSERT_TRUE(server.WaitForMails(2));
    EXPECT_EQ(server.Field(2, "login"), "taro");
    // An emptied password leaves the store, also when the window closes at once.
    WithMailSettings(*window, [&](MailSettingsDialog& dialog) {
        EXPECT_EQ(Text(dialog, "passwordEdit"), QStringLiteral("himitsu 123"));
        Type(dialog, "passwordEdit", QString());
        Click(dialog, "okButton");
    });
    CloseAndWait(*window);
    EXPECT_EQ(StoredPassword(Key()), std::nullopt);
    EXPECT_EQ(folder.ReadSettings().find("SMTPPASS"), std::string::npos);
}

TEST_F(MailLoginTest, HandWrittenPasswordMovesIntoTheSecretStoreAndOutOfTheFile)
{
    UseSessionBus(true);
    if (IsSkipped() || HasFatalFailure())
        return;
    folder.WriteSettings("[SPECIALKEY]\r\nSMTP=" + server.Server() +
                         "\r\nADDRESS=kabu@example.jp\r\nKABUKAMAIL=1\r\nSMTPUSER=taro\r\nSMTPPASS=himitsu 123\r\n");
    auto window = Restart();
    EXPECT_EQ(StoredPassword(Key()), QStringLiteral("himitsu 123"));
    EXPECT_TRUE(PriceMailSent(*window));
    CloseAndWait(*window);
    EXPECT_EQ(folder.ReadSettings().find("SMTPPASS"), std::string::npos);
    EXPECT_NE(folder.ReadSettings().find("SMTPUSER=taro\r\n"), std::string::npos);

    // Another server is another key: the password moves with the login.
    window = Restart();
    SmtpTestServer other(SmtpServerOptions{.user = "taro", .password = "himitsu 123"});
    Confirm(*window, "okButton", [&](MailSettingsDialog& dialog) { Type(dialog, "serverEdit", QString::fromStdString(other.Server())); });
    EXPECT_EQ(StoredPassword(Key()), std::nullopt);
    EXPECT_EQ(StoredPassword(QString::fromStdString("taro@" + other.Server())), QStringLiteral("himitsu 123"));
    CloseAndWait(*window);
}

TEST_F(MailLoginTest, WithoutASecretStoreThePasswordStaysInTheFileForTheOwnerAlone)
{
    UseSessionBus(false);
    if (IsSkipped() || HasFatalFailure())
        return;
    folder.WriteSettings("[SPECIALKEY]\r\nSMTP=" + server.Server() +
                         "\r\nADDRESS=kabu@example.jp\r\nKABUKAMAIL=1\r\nSMTPUSER=taro\r\nSMTPPASS=old\r\n");
    std::filesystem::permissions(folder.SettingsPath(), std::filesystem::perms(0644));
    auto window = Restart();
    Confirm(*window, "okButton", [&](MailSettingsDialog& dialog) {
        EXPECT_TRUE(Control<QLabel>(dialog, "passwordNoteLabel")->isVisible());
        EXPECT_EQ(Text(dialog, "passwordNoteLabel"), QStringLiteral("パスワードは設定ファイルに保存されます"));
        EXPECT_EQ(Text(dialog, "passwordEdit"), QStringLiteral("old"));
        Type(dialog, "passwordEdit", QStringLiteral("himitsu 123"));
    });
    EXPECT_TRUE(PriceMailSent(*window));
    CloseAndWait(*window);
    EXPECT_NE(folder.ReadSettings().find("SMTPUSER=taro\r\nSMTPPASS=himitsu 123\r\n"), std::string::npos);
    EXPECT_EQ(Permissions(folder.SettingsPath()), kOwnerOnly);
}
