// Disclosure passes of the real watcher against the simulator's listings;
// they also run under ThreadSanitizer.

#include <algorithm>
#include <set>
#include <thread>

#include "core/disclosure/history_file.h"
#include "core/text/code_page.h"
#include "core/xbrl/xbrl_reader.h"
#include "core/text/texts.h"
#include "integration/local_servers.h"
#include "integration/watcher_fixture.h"
#include "market_simulator_disclosures.h"

using namespace zelmora;
using zelmora::testing::SettingsRow;
using zelmora::testing::WatcherTest;
namespace fs = std::filesystem;

namespace {

class WatcherDisclosures : public WatcherTest {
protected:
    void Start(const std::vector<SettingsRow>& rows, const std::string& special = "")
    {
        WriteSettings(rows, "", special.empty() ? "" : "TEKIJI_URL=" + simulator->ListingBase() + "\r\n" + special);
        WatcherTest::Start();
    }
    void RunPass()
    {
        const int before = observer.Get([](auto& o) { return o.Finished(PassKind::Disclosure); });
        watcher->RequestDisclosurePass();
        ASSERT_TRUE(observer.WaitForPasses(PassKind::Disclosure, before + 1));
    }

    std::string Date() const { return "20261207"; }
    std::string History(const std::string& code, const std::string& date = "20261207") const
    {
        return ReadFile(HistoryFilePath(folder, date, code));
    }
    std::string Line(const char* time, const char* title, int n, const std::string& base = "") const
    {
        return time + (" " + S(title)) + " _" + (base.empty() ? simulator->ListingBase() : base) + "T" + Date() + "-" +
               std::to_string(n) + ".pdf";
    }
    std::vector<std::string> News()
    {
        return observer.Get([](auto& o) {
            std::vector<std::string> news;
            for (const DisclosureReport& report : o.news)
                news.push_back(report.code + " " + report.entryText);
            return news;
        });
    }
    std::vector<std::string> ListingRequests() const
    {
        std::vector<std::string> pages;
        for (const std::string& path : simulator->DisclosureRequests()) {
            if (path.find("I_list_") != std::string::npos)
                pages.push_back(path.substr(path.rfind('/') + 1));
        }
        return pages;
    }
    // Every file below the program folder but the settings and the outbox's
    // mails and notices, relative to it.
    std::set<std::string> Files() const
    {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string path = fs::relative(entry.path(), root).generic_string();
            if (entry.is_regular_file() && path != "base_data.ini" && !path.starts_with("outbox/"))
                files.insert(path);
        }
        return files;
    }
    std::vector<std::string> Disclosures(std::size_t row)
    {
        std::vector<std::string> entries;
        watcher->ReadRows([&](const WatchList& rows) { entries = rows.Disclosures(row); });
        return entries;
    }
};

const char* kResult1 = "2026年3月期 第2四半期決算短信〔日本基準〕（連結）";
const char* kResult2 = "剰余金の配当（中間配当）に関するお知らせ";
const char* kSonyTitle = "株主総会資料_電子提供措置事項";

} // namespace

TEST_F(WatcherDisclosures, NewDisclosuresAreRecordedAndReportedOnceKnownOnesAreNot)
{
    Start({{"7203", "東証"}, {"6758", "東証"}, {"123", "東証"}, {"", "東証"}});
    RunPass();

    const std::string result1 = Line("15:00", kResult1, 1);
    const std::string result2 = Line("15:00", kResult2, 2);
    // Two hits of one stock on one page, each judged by its own entry.
    EXPECT_EQ(History("7203"), result1 + "\r\n" + result2 + "\r\n");
    EXPECT_EQ(History("6758"), Line("13:30", kSonyTitle, 3) + "\r\n");
    // A title with "_" is reported whole; readers of the file split at its first "_".
    EXPECT_EQ(News(), (std::vector<std::string>{"7203 " + result1.substr(0, result1.find('_')),
                                                "7203 " + result2.substr(0, result2.find('_')),
                                                "6758 " + S("13:30 株主総会資料_電子提供措置事項 ")}));
    const std::string marker = texts::Sjis(texts::DisclosureMarker);
    EXPECT_EQ(watcher->Cell(0, ColDisclosure) + "|" + watcher->Cell(1, ColDisclosure) + "|" +
                  watcher->Cell(2, ColDisclosure) + "|" + watcher->Cell(3, ColDisclosure),
              marker + "|" + marker + "||");
    const auto statuses = observer.Get([](auto& o) { return o.statuses; });
    EXPECT_EQ(statuses, (std::vector<std::string>{texts::Sjis(texts::DataFetching), ""}));
    // Nothing downloaded, but the folders the records need exist.
    EXPECT_EQ(Files(), (std::set<std::string>{"20261207/7203/kaijistr.txt", "20261207/6758/kaijistr.txt"}));
    const PassReport first = observer.LastPass(PassKind::Disclosure);
    EXPECT_EQ(first.pagesFetched, 12);
    EXPECT_EQ(first.newDisclosures, 3);

    // The same run again: every hit is known, nothing is recorded or reported.
    RunPass();
    EXPECT_EQ(observer.LastPass(PassKind::Disclosure).newDisclosures, 0);
    EXPECT_EQ(News().size(), 3u);
    EXPECT_EQ(Disclosures(0).size(), 2u);
    EXPECT_EQ(History("7203"), result1 + "\r\n" + result2 + "\r\n");
}

TEST_F(WatcherDisclosures, ARestartFindsTheHistoryAndReportsNothingNew)
{
    Start({{"7203", "東証"}});
    RunPass();
    ASSERT_EQ(News().size(), 2u);
    const std::vector<std::string> first = Disclosures(0);

    watcher.reset();
    observer.Get([](auto& o) { return o.news.clear(), 0; });
    WatcherTest::Start();
    RunPass();
    EXPECT_TRUE(News().empty());
    EXPECT_EQ(observer.LastPass(PassKind::Disclosure).newDisclosures, 0);
    EXPECT_EQ(Disclosures(0), first);
    // Only the line handled last stands twice; the next load drops it.
    const std::string result1 = Line("15:00", kResult1, 1);
    const std::string result2 = Line("15:00", kResult2, 2);
    EXPECT_EQ(History("7203"), result1 + "\r\n" + result2 + "\r\n" + result2 + "\r\n");
}

TEST_F(WatcherDisclosures, ALineDifferingOnlyInLetterCaseIsKnown)
{
    fs::create_directories(root / "20261207/6758");
    std::string address = simulator->ListingBase() + "T20261207-3.pdf";
    std::transform(address.begin(), address.end(), address.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; });
    const std::string known = S("13:30 株主総会資料_電子提供措置事項 _") + address;
    std::ofstream(HistoryFilePath(folder, Date(), "6758"), std::ios::binary) << known << "\r\n";

    Start({{"6758", "東証"}, {"7203", "東証"}});
    RunPass();
    const std::vector<std::string> news = News();
    ASSERT_EQ(news.size(), 2u);
    EXPECT_EQ(news[0].substr(0, 4) + news[1].substr(0, 4), "72037203");
    EXPECT_EQ(History("6758"), known + "\r\n" + Line("13:30", kSonyTitle, 3) + "\r\n");
}

TEST_F(WatcherDisclosures, APastDateIsRecordedButNeverNews)
{
    // An earlier run's interrupted save in the date's folder goes when the
    // date is opened; nothing else does.
    fs::create_directories(root / "20261201/7203");
    for (const char* name : {"kaijistr.txt.Ab12Cd", "notes.txt"}) {
        std::ofstream(root / "20261201/7203" / name) << "x";
        fs::last_write_time(root / "20261201/7203" / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    Start({{"7203", "東証"}, {"9984", "東証"}});
    watcher->ChooseDisclosureDate("20261201");
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Disclosure, 1));
    EXPECT_TRUE(News().empty());
    EXPECT_EQ(History("7203", "20261201").substr(0, 6), "15:00 ");
    EXPECT_EQ(History("9984", "20261201").substr(0, 6), "16:00 ");
    EXPECT_FALSE(fs::exists(root / "20261201/7203/kaijistr.txt.Ab12Cd"));
    EXPECT_TRUE(fs::exists(root / "20261201/7203/notes.txt"));
}

TEST_F(WatcherDisclosures, PagesRunPastTenUntilTheFirstMissingOneAlsoForAnEmptyList)
{
    Start({});
    RunPass();
    const std::vector<std::string> pages = ListingRequests();
    ASSERT_EQ(pages.size(), 13u); // twelve pages and the 404 after them
    EXPECT_EQ(pages[9], "I_list_010_20261207.html");
    EXPECT_EQ(pages[12], "I_list_013_20261207.html");
    EXPECT_TRUE(Files().empty());

    watcher.reset();
    Start({{"9984", "東証"}, {"8306", "東証"}});
    RunPass();
    EXPECT_EQ(Disclosures(0), std::vector<std::string>{S("16:00 業績予想の修正に関するお知らせ ")});
    EXPECT_EQ(Disclosures(1), std::vector<std::string>{S("17:30 自己株式の取得状況に関するお知らせ ")});
}

TEST_F(WatcherDisclosures, ShiftJisAndUtf8ListingsGiveTheSameEntries)
{
    Start({{"6758", "東証"}, {"1234", "東証"}});
    RunPass();
    const std::vector<std::string> sjis0 = Disclosures(0), sjis1 = Disclosures(1);
    watcher->ChangeSettings([&](Settings& s) { s.disclosureListBase = simulator->ListingBase() + "enc=utf8/"; });
    watcher->ChooseDisclosureDate("20261206");
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Disclosure, 2));
    EXPECT_EQ(Disclosures(0), sjis0);
    EXPECT_EQ(Disclosures(1), sjis1);
    EXPECT_EQ(Disclosures(0), std::vector<std::string>{S("13:30 株主総会資料_電子提供措置事項 ")});
    // 1234 is found as 12340 inside a longer number of another entry.
    EXPECT_EQ(Disclosures(1).size(), 1u);
}

TEST_F(WatcherDisclosures, DocumentsLandNextToTheHistory)
{
    Start({{"7203", "東証"}}, "ORVEKSENYOU=1\r\n");
    RunPass();
    EXPECT_EQ(ReadFile(folder + "20261207/7203/T20261207-2.pdf"), sim::RenderDocument("/inbs/T20261207-2.pdf"));
    EXPECT_EQ(Files(), (std::set<std::string>{"20261207/7203/kaijistr.txt", "20261207/7203/T20261207-1.pdf",
                                              "20261207/7203/T20261207-2.pdf"}));
    EXPECT_EQ(observer.LastPass(PassKind::Disclosure).pagesFetched, 12 + 2); // listings and documents
}

TEST_F(WatcherDisclosures, HostileLinksStayInsideTheirFolder)
{
    WriteSettings({{"7974", "東証"}}, "", "TEKIJI_URL=" + simulator->ListingBase() + "hostile=1,pages=1/\r\nORVEKSENYOU=1\r\n");
    WatcherTest::Start();
    RunPass();
    EXPECT_EQ(Files(), (std::set<std::string>{"20261207/7974/kaijistr.txt", "20261207/7974/escape1.pdf",
                                              "20261207/7974/escape2.pdf", "20261207/7974/doc4.pdf"}));
    // Every disclosure is recorded, also those with no usable file name.
    EXPECT_EQ(ReadHistoryLines(HistoryFilePath(folder, Date(), "7974")).size(), 5u);
}

TEST_F(WatcherDisclosures, AnOversizedListingEndsThePass)
{
    WriteSettings({{"7203", "東証"}}, "", "TEKIJI_URL=" + simulator->ListingBase() + "big=1/\r\n");
    WatcherTest::Start();
    RunPass();
    EXPECT_EQ(ListingRequests().size(), 1u);
    EXPECT_EQ(watcher->Cell(0, ColDisclosure), "");
}

// A pass begun before another date was chosen changes nothing of the new
// date's rows.
TEST_F(WatcherDisclosures, APassOfAnEarlierDateLeavesTheNewDateAlone)
{
    WriteSettings({{"7203", "東証"}}, "", "TEKIJI_URL=" + simulator->ListingBase() + "slow=300/\r\n");
    WatcherTest::Start();
    watcher->RequestDisclosurePass();
    while (ListingRequests().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // The new date's listing is empty, so only the old pass could mark the row.
    watcher->ChangeSettings([&](Settings& s) { s.disclosureListBase = simulator->ListingBase() + "pages=0/"; });
    watcher->ChooseDisclosureDate("20261206");
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Disclosure, 2));
    EXPECT_EQ(watcher->Cell(0, ColDisclosure), "");
    EXPECT_TRUE(Disclosures(0).empty());
}

// The disclosure mail switch is read as each new line is recorded: turned
// off while a pass waits for its page, that pass sends no mail.
TEST_F(WatcherDisclosures, TheMailSwitchCountsAtOnceAlsoInARunningPass)
{
    const int closedPort = zelmora::testing::UnusedPort();
    const std::string mail = "TEKIJIMAIL=1\r\nSMTP=127.0.0.1:" + std::to_string(closedPort) + "\r\nADDRESS=kabu@example.jp\r\n";
    WriteSettings({{"7203", "東証"}}, "", "TEKIJI_URL=" + simulator->ListingBase() + "slow=300,pages=1/\r\n" + mail);
    WatcherTest::Start();
    watcher->RequestDisclosurePass();
    while (ListingRequests().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    watcher->ChangeSettings([](Settings& s) { s.disclosureMailOn = false; });
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Disclosure, 1));
    EXPECT_EQ(News().size(), 2u);
    EXPECT_TRUE(observer.Get([](auto& o) { return o.mails.empty(); }));

    // Switched on again: the next new disclosure is mailed (and fails here).
    watcher->ChangeSettings([](Settings& s) { s.disclosureMailOn = true; });
    fs::remove_all(root / Date());
    watcher->ChooseDisclosureDate(Date());
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Disclosure, 2));
    ASSERT_TRUE(observer.WaitUntil([](auto& o) { return o.mails.size() == 2; }));
    const MailReport report = observer.Get([](auto& o) { return o.mails.front(); });
    EXPECT_EQ(report.kind, MailKind::Disclosure);
    EXPECT_FALSE(report.sent);
    EXPECT_EQ(report.statusText, texts::Sjis(texts::MailSendError));
}

// While today is followed, the first pass after midnight finishes the old
// day, whose disclosures are still news, and the new day follows.
TEST_F(WatcherDisclosures, AfterMidnightTheOldDayIsFinishedAndTheNewDayFollows)
{
    Start({{"7203", "東証"}});
    watcher->FollowToday(true);
    clock.Set({2026, 12, 8, 0, 1, 0, 2});
    RunPass();
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Disclosure, 2));
    EXPECT_EQ(watcher->DisclosureDate(), "20261208");
    EXPECT_EQ(News().size(), 4u);
    EXPECT_FALSE(History("7203", "20261207").empty());
    EXPECT_FALSE(History("7203", "20261208").empty());
}

// A history file that cannot take the line is said, and what it could not
// record is news only once in the run, not at every pass.
TEST_F(WatcherDisclosures, AnUnwritableHistoryIsSaidAndItsDisclosuresAreNewsOnce)
{
    fs::create_directories(root / "20261207/7203/kaijistr.txt");
    Start({{"7203", "東証"}});
    RunPass();
    RunPass();
    EXPECT_EQ(News().size(), 2u);
    EXPECT_NE(watcher->StatusText().find(S("開示履歴を保存できません")), std::string::npos);
}

// The listing's XBRL link of an earnings release: its figures reach the
// notice, the mail in the outbox (under the entry line) and kessan.txt; the
// dividend entry beside it has none, and a known release is not read again.
TEST_F(WatcherDisclosures, AnEarningsReleaseWithXbrlCarriesItsFiguresToTheNoticeTheMailAndKessanTxt)
{
    Start({{"7203", "東証"}}, "TEKIJIMAIL=1\r\nSMTP=127.0.0.1:1\r\nADDRESS=kabu@example.jp\r\n");
    watcher->ChangeSettings([&](Settings& s) { s.disclosureListBase = simulator->ListingBase() + "xbrl=1,pages=1/"; });
    RunPass();
    const std::string figures = Utf8ToSjis(ReadEarnings(sim::BuildXbrlZip(sim::XbrlKind::QuarterlyJapaneseGaap, "7203", Date())).line);
    ASSERT_FALSE(figures.empty());
    const std::string entry = S("15:00 ") + S(kResult1) + " ";

    const auto news = observer.Get([](auto& o) { return o.news; });
    ASSERT_EQ(news.size(), 2u);
    EXPECT_EQ(news[0].entryText + "|" + news[0].figures, entry + "|" + figures);
    EXPECT_EQ(news[1].figures, "");
    EXPECT_EQ(ReadFile(folder + "20261207/7203/kessan.txt"), entry + "\t" + figures + "\r\n");
    std::string mails;
    for (const auto& file : fs::directory_iterator(root / "outbox"))
        mails += file.path().extension() == ".mail" ? ReadFile(file.path().string()) : "";
    EXPECT_NE(mails.find("\r\n\r\n" + entry + "\n" + figures + "\n"), std::string::npos) << mails;
    EXPECT_EQ(simulator->XbrlRequests(), std::vector<std::string>{"/inbs/xbrl=1,pages=1/X20261207-7203.zip"});

    RunPass();
    EXPECT_EQ(simulator->XbrlRequests().size(), 1u);
}
