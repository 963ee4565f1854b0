// Desktop notifications of new disclosures, shown by a real notification
// service on a private session bus: python3-dbusmock's notification daemon.

#include <csignal>
#include <sys/prctl.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <optional>

#include "core/alerts/price_alert.h"
#include "core/text/code_page.h"
#include "core/xbrl/xbrl_reader.h"
#include "gui/desktop_notifier.h"
#include "gui/desktop_opener.h"
#include "gui/main_window.h"
#include "gui_test_support.h"
#include "integration/local_servers.h"
#include "integration/smtp_test_server.h"
#include "market_simulator.h"
#include "market_simulator_disclosures.h"
#include "market_simulator_xbrl.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// A session bus of its own with the mock notification daemon on it.
class NotificationService {
public:
    NotificationService()
    {
        // A test that dies must not leave the bus and the daemon running (and
        // holding CTest's output open).
        for (QProcess* process : {&m_bus, &m_daemon})
            process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address=1")});
        if (!m_bus.waitForStarted(5000) || !QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 5000))
            return;
        m_address = QString::fromLatin1(m_bus.readLine()).trimmed();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_daemon.setProcessEnvironment(environment);
        m_daemon.setStandardOutputFile(QProcess::nullDevice());
        m_daemon.setStandardErrorFile(QProcess::nullDevice());
        m_daemon.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                        QStringLiteral("notification_daemon")});
        m_connection = QDBusConnection::connectToBus(m_address, QStringLiteral("notification-test"));
        m_ready = QTest::qWaitFor([&] { return m_connection.interface()->isServiceRegistered(kService).value(); }, 15000);
    }
    ~NotificationService()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("notification-test"));
        for (QProcess* process : {&m_daemon, &m_bus}) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }

    bool Ready() const { return m_ready; }
    QString Address() const { return m_address; }

    struct Notice {
        QString summary;
        QString body;
        QStringList actions;
    };
    // The Notify calls the daemon took, in order; the n-th got id n.
    std::vector<Notice> Notices()
    {
        QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Mock"),
                                                          QStringLiteral("GetMethodCalls"));
        ask << QStringLiteral("Notify");
        const QDBusMessage reply = m_connection.call(ask);
        std::vector<Notice> notices;
        if (reply.type() != QDBusMessage::ReplyMessage)
            return notices;
        const QDBusArgument calls = reply.arguments().at(0).value<QDBusArgument>();
        calls.beginArray();
        while (!calls.atEnd()) {
            qulonglong time = 0;
            QVariantList args;
            calls.beginStructure();
            calls >> time >> args;
            calls.endStructure();
            notices.push_back({args.value(3).toString(), args.value(4).toString(),
                               qdbus_cast<QStringList>(args.value(5))});
        }
        calls.endArray();
        return notices;
    }

    // A click on notification `id`, as the desktop reports it.
    void Click(uint id)
    {
        QDBusMessage invoke = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Mock"),
                                                             QStringLiteral("EmitSignal"));
        invoke << kService << QStringLiteral("ActionInvoked") << QStringLiteral("us")
             << QVariantList{QVariant::fromValue(id), QStringLiteral("default")};
        m_connection.call(invoke);
    }

private:
    QProcess m_bus;
    QProcess m_daemon;
    QString m_address;
    QDBusConnection m_connection{QString()};
    bool m_ready = false;
};

const char* kRows = "KOSUU=5\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=6758\r\nSIJOU1=東証\r\nNUM2=9432\r\nSIJOU2=東証\r\n"
                    "NUM3=9984\r\nSIJOU3=東証\r\nNUM4=8306\r\nSIJOU4=東証\r\n";

class NotificationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.Ready());
        ASSERT_GT(simulator.Start(0), 0);
        previousBus = SetNotificationBusAddress(service.Address());
        previousOpener = SetDesktopOpener([this](const QUrl& url) { opened.push_back(url); });
    }
    void TearDown() override
    {
        SetDesktopOpener(previousOpener);
        SetNotificationBusAddress(previousBus);
    }

    // A window whose first passes have ended: the quotes give the rows their
    // names, while the listing base of the file has no listings yet.
    std::unique_ptr<MainWindow> Start(const std::string& special = "")
    {
        folder.WriteSettings(S("[MEIGARA_DATA]\r\n") + S(kRows) + "[LINK_JOUHOU]\r\nBASE_URL=" + simulator.BaseAddress() +
                             S("/q?s=銘柄.市場\r\n") + "[SPECIALKEY]\r\nTEKIJI_URL=" + simulator.ListingBase() +
                             "pages=0/\r\n" + special);
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        QSignalSpy quotes(window.get(), &MainWindow::QuotePassFinished);
        QSignalSpy scanned(window.get(), &MainWindow::DisclosurePassFinished);
        window->Start();
        EXPECT_TRUE(quotes.wait(20000));
        EXPECT_TRUE(scanned.count() > 0 || scanned.wait(20000));
        return window;
    }
    // Scans the listings at base (the simulator's twelve pages of the
    // clock's date unless told otherwise).
    void Scan(MainWindow& window, std::string base = {})
    {
        if (base.empty())
            base = simulator.ListingBase();
        SessionEngine(window).ChangeSettings([&](Settings& s) { s.disclosureListBase = base; });
        QSignalSpy scanned(&window, &MainWindow::DisclosurePassFinished);
        static_cast<QPushButton*>(Control(window, "disclosureCheckButton"))->click();
        ASSERT_TRUE(scanned.wait(20000));
    }
    void Close(MainWindow& window)
    {
        QSignalSpy finished(&window, &MainWindow::ShutdownFinished);
        window.close();
        ASSERT_TRUE(finished.count() > 0 || finished.wait(5000));
    }
    QString Name(const char* symbol) { return QString::fromStdString(sim::QuoteFor(symbol, clock.now)->name); }
    QString Document(int n) const
    {
        return QString::fromStdString(simulator.ListingBase() + "T20261207-" + std::to_string(n) + ".pdf");
    }
    QStringList Opened() const
    {
        QStringList urls;
        for (const QUrl& url : opened)
            urls << url.toString();
        return urls;
    }

    NotificationService service;
    FixedClock clock;
    ProgramFolderFixture folder;
    sim::MarketSimulator simulator;
    std::vector<QUrl> opened;
    QString previousBus;
    DesktopOpener previousOpener;
};

} // namespace

// Six new disclosures in one pass: five notices, one each, then one that
// counts the sixth; a click opens that disclosure as the menu does, also
// one whose title holds "_".
TEST_F(NotificationTest, OnePassShowsFiveNoticesThenCountsTheRestAndAClickOpensTheDisclosure)
{
    auto window = Start();
    EXPECT_TRUE(service.Notices().empty());
    Scan(*window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.Notices().size() >= 6; }, 10000));
    const std::vector<NotificationService::Notice> notices = service.Notices();
    ASSERT_EQ(notices.size(), 6u);
    const QStringList open = {QStringLiteral("default"), QStringLiteral("開く")};
    const struct {
        QString summary;
        QString body;
    } expected[] = {
        {"7203 " + Name("7203.t"), QStringLiteral("15:00 2026年3月期 第2四半期決算短信〔日本基準〕（連結） ")},
        {"7203 " + Name("7203.t"), QStringLiteral("15:00 剰余金の配当（中間配当）に関するお知らせ ")},
        {"6758 " + Name("6758.t"), QStringLiteral("13:30 株主総会資料_電子提供措置事項 ")},
        {"9432 " + Name("9432.t"), QStringLiteral("11:00 訂正報告書（受付番号 S1234056）の提出に関するお知らせ ")},
        {"9984 " + Name("9984.t"), QStringLiteral("16:00 業績予想の修正に関するお知らせ ")},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(notices[i].summary, expected[i].summary) << i;
        EXPECT_EQ(notices[i].body, expected[i].body) << i;
        EXPECT_EQ(notices[i].actions, open) << i;
    }
    EXPECT_EQ(notices[5].summary, QStringLiteral("ほか1件の新しい開示"));
    EXPECT_TRUE(notices[5].actions.isEmpty());

    service.Click(2);
    service.Click(3);
    service.Click(6); // the count opens nothing
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.size() >= 2; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(Opened(), (QStringList{Document(2), Document(3)}));

    // Known in this run: the next pass shows nothing.
    Scan(*window);
    QTest::qWait(200);
    EXPECT_EQ(service.Notices().size(), 6u);
}

// The history file knows them after a restart; the switch in the settings
// menu silences new ones and is kept in base_data.ini.
TEST_F(NotificationTest, ARestartShowsNothingAgainAndTheSwitchSilencesNewOnes)
{
    auto window = Start();
    Scan(*window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.Notices().size() >= 6; }, 10000));
    Close(*window);
    window.reset();

    window = Start();
    Scan(*window);
    QMenu* menu = nullptr;
    QTimer::singleShot(0, [&] { menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()); });
    window->ShowSettingsMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu != nullptr; }));
    QAction* notify = nullptr;
    for (QAction* action : menu->actions())
        notify = action->text() == QStringLiteral("新しい開示をデスクトップに通知する") ? action : notify;
    ASSERT_NE(notify, nullptr);
    EXPECT_TRUE(notify->isChecked());
    notify->trigger();
    menu->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !SessionEngine(*window).CurrentSettings().disclosureNotifyOn; }));
    Close(*window);
    window.reset();
    EXPECT_NE(folder.ReadSettings().find("TEKIJINOTIFY=0\r\n"), std::string::npos);

    // The next day's disclosures are new, and silent.
    clock.now = {2026, 12, 8, 10, 0, 0, 2};
    window = Start("TEKIJINOTIFY=0\r\n");
    Scan(*window);
    QTest::qWait(200);
    EXPECT_FALSE(ReadFileBytes(folder.Folder() + "20261208/7203/kaijistr.txt").empty());
    EXPECT_EQ(service.Notices().size(), 6u);
    EXPECT_TRUE(opened.empty());
}

// A title is text from the network: a service that reads the body as markup
// gets it escaped, so it shows as written and never as markup.
TEST_F(NotificationTest, ATitleWithMarkupCharactersIsEscapedForAServiceThatReadsMarkup)
{
    const std::string title = "剰余金の配当（中間配当）に関するお知らせ";
    zelmora::testing::Serving<httplib::Server> release;
    release.server.Get(R"(/inbs/I_list_(\d{3})_(\d{8})\.html)", [&](const httplib::Request& request, httplib::Response& response) {
        std::string page = sim::RenderListingPageUtf8(request.matches[2], std::stoi(request.matches[1]), {});
        if (request.matches[1] != "001") {
            response.status = 404;
            return;
        }
        page.replace(page.find(title), title.size(), "配当<b>予想</b> & 分割");
        response.set_content(sim::EncodePage(page, sim::PageEncoding::ShiftJis), "text/html");
    });
    ASSERT_GT(release.Start(), 0);

    auto window = Start();
    Scan(*window, release.Address("http", "/inbs/"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.Notices().size() >= 3; }, 10000));
    EXPECT_EQ(service.Notices()[1].body, QStringLiteral("15:00 配当&lt;b&gt;予想&lt;/b&gt; &amp; 分割 "));
}

// A price that moves over the upper threshold between two passes: one notice
// on the bus whose click opens the quote page, one mail through the local
// SMTP server, a line in alert.txt and the price cell marked.
TEST_F(NotificationTest, APriceCrossingItsThresholdIsNotifiedAndMailedOnce)
{
    sim::MarketSimulator moving({{}, &clock});
    ASSERT_GT(moving.Start(0), 0);
    zelmora::testing::SmtpTestServer smtp;
    ASSERT_GT(smtp.Port(), 0);
    const sim::SimQuote before = *sim::QuoteFor("7203.t", clock.now);
    LocalTime later = clock.now;
    std::optional<sim::SimQuote> after;
    for (later.minute = 1; later.minute < 60 && !after; ++later.minute) {
        const sim::SimQuote q = *sim::QuoteFor("7203.t", later);
        if (*ParseAlertNumber(q.price) > *ParseAlertNumber(before.price))
            after = q;
    }
    ASSERT_TRUE(after);
    --later.minute;
    folder.WriteSettings(S("[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\nALERT0=") + after->price + "__\r\n" +
                         "[LINK_JOUHOU]\r\nBASE_URL=" + moving.BaseAddress() + S("/q?s=銘柄.市場\r\n") +
                         "[SPECIALKEY]\r\nTEKIJI_URL=" + moving.ListingBase() + "pages=0/\r\nSMTP=" + smtp.Server() +
                         "\r\nADDRESS=taro@example.jp\r\nALERTMAIL=1\r\n");
    auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
    QSignalSpy quotes(window.get(), &MainWindow::QuotePassFinished);
    window->Start();
    ASSERT_TRUE(quotes.wait(20000));
    QTest::qWait(200);
    EXPECT_TRUE(service.Notices().empty());

    clock.now = later;
    SessionEngine(*window).RequestQuotePass();
    ASSERT_TRUE(quotes.wait(20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.Notices().empty(); }, 10000));
    const NotificationService::Notice notice = service.Notices().front();
    const QString price = QString::fromStdString(after->price);
    EXPECT_EQ(notice.summary, "7203 " + QString::fromStdString(after->name) + " " + price + " (" +
                                  QString::fromStdString(after->rate) + ")");
    EXPECT_EQ(notice.body, QStringLiteral("上限 ") + price + QStringLiteral(" 以上"));
    QTest::qWait(200); // the daemon's answer, with the id, reaches the window
    service.Click(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.empty(); }, 5000));
    EXPECT_EQ(Opened(), QStringList{QStringLiteral("http://quote.yahoo.co.jp/q?s=7203.t")});
    const auto* list = static_cast<QTableView*>(Control(*window, "watchList"));
    EXPECT_TRUE(list->model()->index(0, ColPrice).data(Qt::BackgroundRole).isValid());

    ASSERT_TRUE(smtp.WaitForMails(1));
    EXPECT_EQ(smtp.Field(1, "subject"), "株価アラート 7203");
    EXPECT_NE(smtp.Field(1, "body").find("上限 " + after->price + " 以上"), std::string::npos) << smtp.Field(1, "body");
    EXPECT_EQ(SjisToUtf8(ReadFileBytes(folder.Folder() + "20261207/7203/alert.txt")),
              "10:" + std::to_string(later.minute).insert(0, later.minute < 10 ? "0" : "") + ":00\t上限\t" +
                  std::to_string(*ParseAlertNumber(after->price) / kAlertUnit) + "\t" + after->price + "\t" + after->rate + "\r\n");

    // The next pass with the price still beyond fires nothing more.
    SessionEngine(*window).RequestQuotePass();
    ASSERT_TRUE(quotes.wait(20000));
    QTest::qWait(200);
    EXPECT_EQ(service.Notices().size(), 1u);
}

// An earnings release with XBRL: the notice has its figures under the entry
// line, and the disclosure menu's item and the list's disclosure cell show
// them as their tips. The menu with that tip is the README's picture.
TEST_F(NotificationTest, AnEarningsReleaseShowsItsFiguresInTheNoticeAndTheTips)
{
    const QString figures = QString::fromStdString(
        ReadEarnings(sim::BuildXbrlZip(sim::XbrlKind::QuarterlyJapaneseGaap, "7203", "20261207")).line);
    ASSERT_FALSE(figures.isEmpty());
    auto window = Start();
    Scan(*window, simulator.ListingBase() + "xbrl=1,pages=1/");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.Notices().empty(); }, 10000));
    EXPECT_EQ(service.Notices()[0].body,
              QStringLiteral("15:00 2026年3月期 第2四半期決算短信〔日本基準〕（連結） \n") + figures);

    auto* list = static_cast<QTableView*>(Control(*window, "watchList"));
    EXPECT_EQ(list->model()->index(0, ColDisclosure).data(Qt::ToolTipRole).toString(), figures);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    list->selectRow(0);
    const QPoint cell = list->visualRect(list->model()->index(0, ColDisclosure)).center();
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, list->viewport()->mapTo(window.get(), cell));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->toolTip(), figures);
    EXPECT_TRUE(menu->toolTipsVisible());

    // The tip as the menu shows it, under the menu, in one picture.
    QHelpEvent help(QEvent::ToolTip, menu->actionGeometry(menu->actions()[0]).center(),
                    menu->mapToGlobal(menu->actionGeometry(menu->actions()[0]).center()));
    QApplication::sendEvent(menu, &help);
    QWidget* tip = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            tip = widget->inherits("QTipLabel") && widget->isVisible() ? widget : tip;
        return tip != nullptr;
    }));
    EXPECT_EQ(static_cast<QLabel*>(tip)->text(), figures);
    const QPoint tipAt(24, menu->height() + 4);
    QImage picture(std::max(menu->width(), tipAt.x() + tip->width()) + 8, tipAt.y() + tip->height() + 8,
                   QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, menu->grab());
    painter.drawPixmap(tipAt, tip->grab());
    painter.end();
    QDir().mkpath(QStringLiteral(ZELMORA_SCREENSHOT_DIR));
    EXPECT_TRUE(picture.save(QStringLiteral(ZELMORA_SCREENSHOT_DIR "/disclosure-menu-figures.png")));
    menu->close();
}
