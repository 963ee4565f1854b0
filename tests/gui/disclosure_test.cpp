#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <thread>

#include "core/disclosure/date_list.h"
#include "gui/desktop_opener.h"
#include "gui/dialog_template.h"
#include "gui/main_window.h"
#include "gui_test_support.h"
#include "integration/local_servers.h"
#include "integration/smtp_test_server.h"
#include "market_simulator.h"
#include "market_simulator_disclosures.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

const QString kMarker = QStringLiteral("あり 右click");
const char* kPortal = "http://127.0.0.1:9/portal/";

// The real window against the simulator's listings of two pages; what the
// window asks the desktop to open is kept, not opened.
class DisclosureWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(simulator.Start(0), 0);
        listBase = simulator.ListingBase() + "pages=2/";
        previous = SetDesktopOpener([this](const QUrl& url) { opened.push_back(url); });
    }
    void TearDown() override { SetDesktopOpener(previous); }

    void WriteSettings(const std::string& rows, const std::string& special = "")
    {
        folder.WriteSettings(S("[MEIGARA_DATA]\r\n") + rows + "[SPECIALKEY]\r\nTEKIJI_URL=" + listBase +
                             "\r\nTEKIJI_TOP_URL=" + kPortal + "\r\n" + special);
    }

    std::unique_ptr<MainWindow> StartAndScan()
    {
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        QSignalSpy scanned(window.get(), &MainWindow::DisclosurePassFinished);
        window->Start();
        EXPECT_TRUE(scanned.wait(20000));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }

    void DoubleClick(MainWindow& window, int row, int column)
    {
        auto* list = static_cast<QTableView*>(Control(window, "watchList"));
        const QRect cell = list->visualRect(list->model()->index(row, column));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }

    std::string DocumentFolder(const char* code) const { return folder.Folder() + "20261207/" + code + "/"; }

    FixedClock clock;
    ProgramFolderFixture folder;
    sim::MarketSimulator simulator;
    std::string listBase;
    std::vector<QUrl> opened;
    DesktopOpener previous;
};

} // namespace

TEST_F(DisclosureWindowTest, MarksStocksWithDisclosuresAndOpensTheFirstOneRecorded)
{
    WriteSettings(S("KOSUU=3\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=4503\r\nSIJOU1=東証\r\nNUM2=6758\r\nSIJOU2=東証\r\n"));
    auto window = StartAndScan();
    EXPECT_EQ(Cell(*window, 0, ColDisclosure), kMarker);
    EXPECT_EQ(Cell(*window, 1, ColDisclosure), QString());
    EXPECT_EQ(Cell(*window, 2, ColDisclosure), kMarker);
    EXPECT_EQ(ReadFileBytes(DocumentFolder("7203") + "kaijistr.txt").substr(0, 6), "15:00 ");

    DoubleClick(*window, 0, ColDisclosure);
    DoubleClick(*window, 1, ColDisclosure); // nothing recorded: the exchange's portal
    std::filesystem::create_directories(DocumentFolder("4503"));
    WriteFileBytes(DocumentFolder("4503") + "kaijistr.txt", "");
    DoubleClick(*window, 1, ColDisclosure); // an empty history: the portal too
    EXPECT_EQ(opened, (std::vector<QUrl>{QUrl(QString::fromStdString(listBase + "T20261207-1.pdf")),
                                         QUrl(QString::fromUtf8(kPortal)), QUrl(QString::fromUtf8(kPortal))}));

    DoubleClick(*window, 2, ColMemo);
    EXPECT_EQ(window->focusWidget(), Control(*window, "memoEdit"));
    EXPECT_EQ(opened.size(), 3u);
    DoubleClick(*window, 0, ColCode); // any other column: the quote page
    DoubleClick(*window, 2, ColTrend);
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[3], QUrl(QStringLiteral("http://quote.yahoo.co.jp/q?s=7203.t")));
    EXPECT_EQ(opened[4], QUrl(QStringLiteral("http://quote.yahoo.co.jp/q?s=6758.t")));
}

TEST_F(DisclosureWindowTest, DownloadedDocumentsOpenFromTheLocalCopyButProgramsNever)
{
    WriteSettings(S("KOSUU=2\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=9984\r\nSIJOU1=東証\r\n"), "ORVEKSENYOU=1\r\n");
    auto window = StartAndScan();
    const std::string document = DocumentFolder("7203") + "T20261207-1.pdf";
    EXPECT_EQ(ReadFileBytes(document), sim::RenderDocument("/inbs/pages=2/T20261207-1.pdf"));
    DoubleClick(*window, 0, ColDisclosure);
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(document))});

    // A recorded link to a program, and its file beside the history.
    WriteFileBytes(DocumentFolder("9984") + "kaijistr.txt", "16:00 x _" + listBase + "run.exe\r\n");
    WriteFileBytes(DocumentFolder("9984") + "run.exe", "MZ");
    DoubleClick(*window, 1, ColDisclosure);
    std::filesystem::remove(document); // a missing local copy is left alone
    DoubleClick(*window, 0, ColDisclosure);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(DisclosureWindowTest, NewDisclosuresOfTodayAreMailedOnce)
{
    zelmora::testing::SmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    const std::string mail = "TEKIJIMAIL=1\r\nSMTP=" + server.Server() + "\r\nADDRESS=kabu@example.jp\r\n";
    WriteSettings(S("KOSUU=2\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=6758\r\nSIJOU1=東証\r\n"), mail);
    auto window = StartAndScan();
    ASSERT_TRUE(server.WaitForMails(3));
    // A close before the server's answer has come keeps a mail for the next
    // start (at least once); here every answer is in before the close.
    const auto outboxEmpty = [&] {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Folder() + "outbox", error)) {
            if (entry.is_regular_file())
                return false;
        }
        return true;
    };
    ASSERT_TRUE(QTest::qWaitFor(outboxEmpty, 10000));
    window.reset();
    // The entry line, the name when the list knows it, the document's address.
    const auto mailed = [&](int n, const std::string& entry, const char* document) {
        const std::string body = server.Field(n, "body");
        const std::string address = listBase + document + "\n";
        return body.starts_with(entry + "\n") && body.ends_with(address) &&
               body.size() <= entry.size() + 1 + 64 + address.size();
    };
    EXPECT_EQ(server.Field(1, "subject") + "|" + server.Field(3, "subject"), "7203|6758");
    EXPECT_TRUE(mailed(1, "15:00 2026年3月期 第2四半期決算短信〔日本基準〕（連結） ", "T20261207-1.pdf")) << server.Field(1, "body");
    EXPECT_TRUE(mailed(3, "13:30 株主総会資料_電子提供措置事項 ", "T20261207-3.pdf")) << server.Field(3, "body");

    auto restarted = StartAndScan(); // the history knows them all
    EXPECT_EQ(server.MailCount(), 3u);
    EXPECT_EQ(Text(*restarted, "disclosureMailStatusLabel"), QStringLiteral("適時開示をメール"));
}

TEST_F(DisclosureWindowTest, ChangingTheDateTwiceWithinASecondScansOnlyTheLastDate)
{
    WriteSettings(S("KOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n"));
    auto window = StartAndScan();
    ASSERT_EQ(Cell(*window, 0, ColDisclosure), kMarker);
    const std::size_t before = simulator.DisclosureRequests().size();

    auto* dates = static_cast<QComboBox*>(Control(*window, "dateCombo"));
    QSignalSpy scanned(window.get(), &MainWindow::DisclosurePassFinished);
    dates->setCurrentIndex(1);
    QTest::qWait(300);
    dates->setCurrentIndex(2);
    EXPECT_EQ(Cell(*window, 0, ColDisclosure), QString()); // forgotten at once
    QTest::qWait(700); // a second after the first change, not after the last
    EXPECT_EQ(simulator.DisclosureRequests().size(), before);
    ASSERT_TRUE(scanned.wait(20000));
    QTest::qWait(1200);
    EXPECT_EQ(scanned.count(), 1);

    const std::string date = DateList(2026, 12, 7)[2];
    const std::vector<std::string> requests = simulator.DisclosureRequests();
    ASSERT_EQ(requests.size(), before + 3);
    for (std::size_t i = before; i < requests.size(); ++i)
        EXPECT_NE(requests[i].find(date), std::string::npos) << requests[i];
    EXPECT_EQ(Cell(*window, 0, ColDisclosure), kMarker);
    EXPECT_TRUE(std::filesystem::exists(folder.Folder() + date + "/7203/kaijistr.txt"));
}

TEST_F(DisclosureWindowTest, TheButtonTheTimerAndAnAddedStockStartPasses)
{
    WriteSettings(S("KOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n[LINK_JOUHOU]\r\nBASE_URL=") + simulator.BaseAddress() +
                  S("/q?s=銘柄.市場\r\n"));
    auto window = StartAndScan();
    EXPECT_TRUE(Timer(*window, "disclosureTimer")->isActive());
    QSignalSpy scanned(window.get(), &MainWindow::DisclosurePassFinished);
    // One after the other: the start's pass may not have left its thread
    // yet, and two requests meeting it there make one more pass, not two.
    static_cast<QPushButton*>(Control(*window, "disclosureCheckButton"))->click();
    ASSERT_TRUE(scanned.wait(20000));
    Tick(*window, "disclosureTimer");
    ASSERT_TRUE(QTest::qWaitFor([&] { return scanned.count() == 2; }, 20000));
    EXPECT_EQ(simulator.DisclosureRequests().size(), 3u * 3u);

    QSignalSpy lookedUp(window.get(), &MainWindow::EntryRowLookedUp);
    auto* code = static_cast<QLineEdit*>(Control(*window, "codeEdit"));
    code->setFocus();
    code->selectAll();
    QTest::keyClick(code, Qt::Key_Backspace); // the selected row's code stands there
    QTest::keyClicks(code, QStringLiteral("9984"));
    ASSERT_TRUE(lookedUp.wait(20000));
    QTest::mouseClick(static_cast<QPushButton*>(Control(*window, "addButton")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scanned.count() == 3; }, 20000));
    EXPECT_EQ(Cell(*window, 0, ColCode), QStringLiteral("9984"));
    EXPECT_EQ(Cell(*window, 0, ColDisclosure), kMarker);
}

// Closing ends the listing page in flight and saves at once; no further
// page is asked for.
TEST_F(DisclosureWindowTest, ClosingDuringAPassEndsItAndSavesAtOnce)
{
    // A release service that takes its time over every page.
    std::atomic<int> asked{0};
    zelmora::testing::Serving<httplib::Server> service;
    service.server.Get(R"(/inbs/I_list_(\d{3})_(\d{8})\.html)", [&](const httplib::Request& request, httplib::Response& response) {
        ++asked;
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        const std::string page = sim::RenderListingPageUtf8(request.matches[2], std::stoi(request.matches[1]), {});
        response.set_content(sim::EncodePage(page, sim::PageEncoding::ShiftJis), "text/html");
    });
    ASSERT_GT(service.Start(), 0);
    listBase = service.Address("http", "/inbs/");
    WriteSettings(S("KOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n"));
    const std::string before = folder.ReadSettings();

    auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
    QSignalSpy finished(window.get(), &MainWindow::ShutdownFinished);
    window->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked == 1; }));
    window->close();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_NE(folder.ReadSettings(), before);
    QTest::qWait(2500);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(std::filesystem::exists(DocumentFolder("7203") + "kaijistr.txt"));
}
