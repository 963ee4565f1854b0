#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>

#include "core/disclosure/disclosure_pass.h"
#include "core/disclosure/history_file.h"
#include "market_simulator.h"
#include "market_simulator_disclosures.h"
#include "support/sjis_literals.h"

using namespace zelmora;
namespace fs = std::filesystem;

namespace {

// A window made of plain state that keeps what the pass asked of it.
class RecordingWindow : public DisclosurePassWindow {
public:
    explicit RecordingWindow(std::vector<std::string> rowCodes) : codes(std::move(rowCodes)), stores(codes.size()),
                                                                   paths(codes.size()), marked(codes.size()) {}

    bool Stopping() override { return false; }
    void ShowDisclosureProgress(bool running) override
    {
        const std::lock_guard hold(lock);
        progress.push_back(running);
    }
    std::vector<std::string> RowCodes() override
    {
        const std::lock_guard hold(lock);
        return codes;
    }
    bool ShowDisclosureHit(std::uint64_t, std::size_t row, const std::string& code, const std::string& entry,
                           const std::string& path) override
    {
        const std::lock_guard hold(lock);
        if (row >= codes.size() || codes[row] != code)
            return false;
        marked[row] = true;
        if (std::find(stores[row].begin(), stores[row].end(), entry) != stores[row].end())
            return false;
        stores[row].push_back(entry);
        paths[row].push_back(path);
        return true;
    }
    void SendDisclosureMail(const std::string& code, const std::string& entry) override
    {
        const std::lock_guard hold(lock);
        mails.emplace_back(code, entry);
    }

    std::mutex lock;
    std::vector<std::string> codes;
    std::vector<std::vector<std::string>> stores;
    std::vector<std::vector<std::string>> paths;
    std::vector<bool> marked;
    std::vector<std::pair<std::string, std::string>> mails;
    std::vector<bool> progress;
};

class DisclosurePassCore : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zelmora-disclosure-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directory(root / "program");
        ASSERT_GT(simulator.Start(0), 0);
        config.programFolder = (root / "program").string() + "/";
        config.listBase = simulator.ListingBase();
        config.date = "20261207";
        config.today = "20261207";
        config.mailOn = true;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    std::string History(const std::string& code) const
    {
        std::ifstream in(HistoryFilePath(config.programFolder, config.date, code), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string Line(const char* time, const char* title, int n) const
    {
        return time + (" " + S(title)) + " _" + config.listBase + "T" + config.date + "-" + std::to_string(n) + ".pdf";
    }
    std::vector<std::string> ListingRequests() const
    {
        std::vector<std::string> pages;
        for (const std::string& path : simulator.DisclosureRequests()) {
            if (path.find("I_list_") != std::string::npos)
                pages.push_back(path.substr(path.rfind('/') + 1));
        }
        return pages;
    }
    // Every file below the program folder, relative to it.
    std::set<std::string> Files() const
    {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.is_regular_file())
                files.insert(fs::relative(entry.path(), root / "program").generic_string());
        }
        return files;
    }

    fs::path root;
    sim::MarketSimulator simulator;
    DisclosurePassConfig config;
};

} // namespace

TEST_F(DisclosurePassCore, NewDisclosuresAreRecordedAndMailedOnceKnownOnesAreNot)
{
    RecordingWindow window({"7203", "6758", "123", ""});
    DisclosurePass(window, config);

    const std::string result1 = Line("15:00", "2026年3月期 第2四半期決算短信〔日本基準〕（連結）", 1);
    const std::string result2 = Line("15:00", "剰余金の配当（中間配当）に関するお知らせ", 2);
    const std::string sony = Line("13:30", "株主総会資料_電子提供措置事項", 3);
    // Two hits of one stock on one page, each judged by its own entry.
    EXPECT_EQ(History("7203"), result1 + "\r\n" + result2 + "\r\n");
    EXPECT_EQ(History("6758"), sony + "\r\n");
    ASSERT_EQ(window.mails.size(), 3u);
    EXPECT_EQ(window.mails[0], std::make_pair(std::string("7203"), result1.substr(0, result1.find('_'))));
    EXPECT_EQ(window.mails[2].first, "6758");
    // A title with "_" is mailed whole; readers of the file split at its first "_".
    EXPECT_EQ(window.mails[2].second, S("13:30 株主総会資料_電子提供措置事項 "));
    EXPECT_EQ(window.marked, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(window.progress, (std::vector<bool>{true, false}));
    // Nothing downloaded, but the folders the records need exist.
    EXPECT_EQ(Files(), (std::set<std::string>{"20261207/7203/kaijistr.txt", "20261207/6758/kaijistr.txt"}));

    // The same run again: every hit is known, nothing is recorded or mailed.
    DisclosurePass(window, config);
    EXPECT_EQ(window.mails.size(), 3u);
    EXPECT_EQ(window.stores[0].size(), 2u);
    EXPECT_EQ(History("7203"), result1 + "\r\n" + result2 + "\r\n");
}

TEST_F(DisclosurePassCore, ARestartFindsTheHistoryAndSendsNoMail)
{
    RecordingWindow first({"7203"});
    DisclosurePass(first, config);
    ASSERT_EQ(first.mails.size(), 2u);

    RecordingWindow restarted({"7203"});
    DisclosurePass(restarted, config);
    EXPECT_TRUE(restarted.mails.empty());
    EXPECT_EQ(restarted.stores[0], first.stores[0]);
    // Only the line handled last stands twice; the next load drops it.
    const std::string result1 = Line("15:00", "2026年3月期 第2四半期決算短信〔日本基準〕（連結）", 1);
    const std::string result2 = Line("15:00", "剰余金の配当（中間配当）に関するお知らせ", 2);
    EXPECT_EQ(History("7203"), result1 + "\r\n" + result2 + "\r\n" + result2 + "\r\n");
}

TEST_F(DisclosurePassCore, ALineDifferingOnlyInLetterCaseIsKnown)
{
    fs::create_directories(root / "program/20261207/6758");
    std::string address = config.listBase + "T20261207-3.pdf";
    std::transform(address.begin(), address.end(), address.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; });
    const std::string known = S("13:30 株主総会資料_電子提供措置事項 _") + address;
    std::ofstream(HistoryFilePath(config.programFolder, config.date, "6758"), std::ios::binary) << known << "\r\n";

    RecordingWindow window({"6758", "7203"});
    DisclosurePass(window, config);
    ASSERT_EQ(window.mails.size(), 2u);
    EXPECT_EQ(window.mails[0].first, "7203");
    EXPECT_EQ(window.mails[1].first, "7203");
    EXPECT_EQ(History("6758"), known + "\r\n" + Line("13:30", "株主総会資料_電子提供措置事項", 3) + "\r\n");
}

TEST_F(DisclosurePassCore, APastDateIsRecordedButNeverMailed)
{
    config.date = "20261201";
    RecordingWindow window({"7203", "9984"});
    DisclosurePass(window, config);
    EXPECT_TRUE(window.mails.empty());
    EXPECT_EQ(History("7203").substr(0, 6), "15:00 ");
    EXPECT_EQ(History("9984").substr(0, 6), "16:00 ");
}

TEST_F(DisclosurePassCore, PagesRunPastTenUntilTheFirstMissingOneAlsoForAnEmptyList)
{
    RecordingWindow empty({});
    DisclosurePass(empty, config);
    const std::vector<std::string> pages = ListingRequests();
    ASSERT_EQ(pages.size(), 13u); // twelve pages and the 404 after them
    EXPECT_EQ(pages[9], "I_list_010_20261207.html");
    EXPECT_EQ(pages[12], "I_list_013_20261207.html");
    EXPECT_TRUE(Files().empty());
    EXPECT_EQ(empty.progress, (std::vector<bool>{true, false}));

    RecordingWindow window({"9984", "8306"});
    DisclosurePass(window, config);
    EXPECT_EQ(window.stores[0], std::vector<std::string>{S("16:00 業績予想の修正に関するお知らせ ")});
    EXPECT_EQ(window.stores[1], std::vector<std::string>{S("17:30 自己株式の取得状況に関するお知らせ ")});
}

TEST_F(DisclosurePassCore, ShiftJisAndUtf8ListingsGiveTheSameEntries)
{
    RecordingWindow sjis({"6758", "1234"});
    DisclosurePass(sjis, config);
    config.listBase = simulator.ListingBase() + "enc=utf8/";
    config.date = "20261206";
    RecordingWindow utf8({"6758", "1234"});
    DisclosurePass(utf8, config);
    EXPECT_EQ(utf8.stores, sjis.stores);
    EXPECT_EQ(utf8.stores[0], std::vector<std::string>{S("13:30 株主総会資料_電子提供措置事項 ")});
    // 1234 is found as 12340 inside a longer number of another entry.
    EXPECT_TRUE(utf8.marked[1]);
    EXPECT_EQ(utf8.stores[1].size(), 1u);
}

TEST_F(DisclosurePassCore, DocumentsLandNextToTheHistory)
{
    config.downloadDocuments = true;
    RecordingWindow window({"7203"});
    DisclosurePass(window, config);
    const std::string folder = config.programFolder + "20261207/7203/";
    EXPECT_EQ(window.paths[0], (std::vector<std::string>{folder + "T20261207-1.pdf", folder + "T20261207-2.pdf"}));
    std::ifstream in(folder + "T20261207-2.pdf", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
              sim::RenderDocument("/inbs/T20261207-2.pdf"));
    EXPECT_EQ(Files(), (std::set<std::string>{"20261207/7203/kaijistr.txt", "20261207/7203/T20261207-1.pdf",
                                              "20261207/7203/T20261207-2.pdf"}));
}

TEST_F(DisclosurePassCore, HostileLinksStayInsideTheirFolder)
{
    config.listBase = simulator.ListingBase() + "hostile=1,pages=1/";
    config.downloadDocuments = true;
    RecordingWindow window({"7974"});
    DisclosurePass(window, config);
    EXPECT_EQ(Files(), (std::set<std::string>{"20261207/7974/kaijistr.txt", "20261207/7974/escape1.pdf",
                                              "20261207/7974/escape2.pdf", "20261207/7974/doc4.pdf"}));
    // Every disclosure is recorded, also those with no usable file name.
    EXPECT_EQ(ReadHistoryLines(HistoryFilePath(config.programFolder, config.date, "7974")).size(), 5u);
    EXPECT_EQ(window.paths[0][2], "");
    EXPECT_EQ(window.paths[0][4], "");
}

TEST_F(DisclosurePassCore, AnOversizedListingEndsThePass)
{
    config.listBase = simulator.ListingBase() + "big=1/";
    RecordingWindow window({"7203"});
    DisclosurePass(window, config);
    EXPECT_EQ(ListingRequests().size(), 1u);
    EXPECT_FALSE(window.marked[0]);
}
