#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/quotes/page_window_cutter.h"
#include "core/quotes/quote_record.h"
#include "core/settings/settings.h"
#include "core/text/code_page.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

extern char** environ;

using namespace zelmora;
namespace fs = std::filesystem;

namespace {

class FixedClock : public Clock {
public:
    LocalTime Now() const override { return {2026, 12, 7, 10, 30, 0, 1}; }
};

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class RulesCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("zelmora-rules-it-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const fs::path file = m_dir / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }

    // Runs the built zelmora-rules with the arguments; stdout and stderr go
    // to files, so large outputs cannot block the child.
    Finished Rules(const std::vector<std::string>& args) const
    {
        const std::string outPath = (m_dir / "stdout").string();
        const std::string errPath = (m_dir / "stderr").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

        std::vector<std::string> all = {ZELMORA_RULES_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        Finished finished;
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, ZELMORA_RULES_EXE, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << ZELMORA_RULES_EXE;
            return finished;
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        finished.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        finished.out = ReadAll(outPath);
        finished.err = ReadAll(errPath);
        return finished;
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    static std::string Line(const std::string& label, const std::string& utf8Value)
    {
        return label + ":" + std::string(8 - label.size(), ' ') + "\"" + utf8Value + "\"\n";
    }

    FixedClock m_clock;
    fs::path m_dir;
};

// A Shift_JIS quote page as the simulator serves it.
std::string SavedPage(const std::string& symbol, const LocalTime& now)
{
    return sim::EncodePage(sim::RenderQuotePageUtf8(symbol, now, {}), sim::PageEncoding::ShiftJis);
}

bool OneLine(const std::string& text)
{
    return !text.empty() && text.find('\n') == text.size() - 1;
}

} // namespace

TEST_F(RulesCli, SavedPageWindowAndRawRecord)
{
    const std::string page = SavedPage("7203.t", m_clock.Now());
    const auto quote = sim::QuoteFor("7203.t", m_clock.Now());
    ASSERT_TRUE(quote);
    const std::string pagePath = Write("7203.html", page);

    const Finished report = Rules({"--file", pagePath});
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_EQ(report.err, "");
    EXPECT_NE(report.out.find("outcome: Ok\n"), std::string::npos) << report.out;
    EXPECT_NE(report.out.find("window:  " + std::to_string(CutPageWindow(page).size()) + " bytes"), std::string::npos)
        << report.out;
    EXPECT_NE(report.out.find(Line("name", quote->name)), std::string::npos) << report.out;
    EXPECT_NE(report.out.find(Line("time", quote->time)), std::string::npos) << report.out;
    EXPECT_NE(report.out.find(Line("price", quote->price)), std::string::npos) << report.out;
    EXPECT_NE(report.out.find("quote:   usable"), std::string::npos) << report.out;

    // --raw gives exactly the record the program would keep.
    const Finished raw = Rules({"--file", pagePath, "--raw"});
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.out, ExtractQuoteRecord(CutPageWindow(page), Settings().markerRules));
    EXPECT_EQ(SplitQuoteRecord(raw.out)[QuoteName], Utf8ToSjis(quote->name));

    // The same bytes taken as a window: the whole page is searched.
    const Finished window = Rules({"--window", pagePath, "--raw"});
    EXPECT_EQ(window.status, 0);
    EXPECT_EQ(window.out, ExtractQuoteRecord(page, Settings().markerRules));
}

TEST_F(RulesCli, ConvertGivesBytesAndScore)
{
    const std::string utf8 = "トヨタ自動車";
    const Finished run = Rules({"--convert", Write("name.txt", utf8)});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, S("トヨタ自動車"));
    EXPECT_EQ(run.err, "score 6\n");
}

TEST_F(RulesCli, BadArgumentsAndUnreadableFilesExitWithTwo)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"--bogus"},
             {"--url", "http://127.0.0.1:1/", "--file", "x"},
             {"--code", "12"},
             {"--file", Path("missing.html")},
             {"--window", Path("missing.bin")},
             {"--convert", Path("missing.txt")},
             {"--ini", Path("missing.ini"), "--window", Write("w.bin", "x")},
         }) {
        const Finished run = Rules(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(OneLine(run.err)) << run.err;
    }
    const Finished help = Rules({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--window PATH"), std::string::npos);
}

TEST_F(RulesCli, FetchesFromTheLocalMarket)
{
    sim::MarketSimulator::Config config;
    config.clock = &m_clock;
    sim::MarketSimulator market(config);
    ASSERT_GT(market.Start(), 0);
    const auto quote = sim::QuoteFor("7203.t", m_clock.Now());
    ASSERT_TRUE(quote);

    const Finished ok = Rules({"--url", market.QuoteAddress("7203.t")});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_NE(ok.out.find("outcome: Ok\n"), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find(Line("name", quote->name)), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find(Line("price", quote->price)), std::string::npos) << ok.out;

    const Finished raw = Rules({"--url", market.QuoteAddress("7203.t"), "--raw"});
    EXPECT_EQ(raw.out, ExtractQuoteRecord(CutPageWindow(SavedPage("7203.t", m_clock.Now())), Settings().markerRules));

    const Finished status = Rules({"--url", market.QuoteAddress("7203.t") + "&status=404"});
    EXPECT_EQ(status.status, 0);
    EXPECT_NE(status.out.find("outcome: HttpStatus 404\n"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("record:  \"404\"\n"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("quote:   not usable"), std::string::npos) << status.out;

    const Finished cut = Rules({"--url", market.QuoteAddress("7203.t") + "&cut=1"});
    EXPECT_EQ(cut.status, 0);
    EXPECT_NE(cut.out.find("outcome: Failed\n"), std::string::npos) << cut.out;
    EXPECT_NE(cut.out.find("record:  (empty)\n"), std::string::npos) << cut.out;

    // --code builds the address from the settings file's BASE_URL.
    const std::string ini =
        "[LINK_JOUHOU]\r\nBASE_URL=" + market.BaseAddress() + S("/q?s=銘柄.市場") + "\r\n";
    const std::string iniPath = Write("base_data.ini", ini);
    const Finished stock = Rules({"--ini", iniPath, "--code", "7203", "--market", "q"});
    EXPECT_EQ(stock.status, 0) << stock.err;
    EXPECT_NE(stock.out.find("source:  " + market.BaseAddress() + "/q?s=7203.q\n"), std::string::npos) << stock.out;
    const auto jasdaq = sim::QuoteFor("7203.q", m_clock.Now());
    ASSERT_TRUE(jasdaq);
    EXPECT_NE(stock.out.find(Line("price", jasdaq->price)), std::string::npos) << stock.out;

    const Finished index = Rules({"--ini", iniPath, "--code", "998407"});
    EXPECT_NE(index.out.find("source:  " + market.BaseAddress() + "/q?s=998407\n"), std::string::npos) << index.out;
    const auto nikkei = sim::QuoteFor("998407", m_clock.Now());
    ASSERT_TRUE(nikkei);
    EXPECT_NE(index.out.find(Line("price", nikkei->price)), std::string::npos) << index.out;
}

TEST_F(RulesCli, LearnsAChangedLayoutFromASavedPageAndReadsItFromTheMarket)
{
    sim::MarketSimulator::Config config;
    config.clock = &m_clock;
    sim::MarketSimulator market(config);
    ASSERT_GT(market.Start(), 0);

    for (const char* layout : {"dl", "json"}) {
        SCOPED_TRACE(layout);
        sim::PageOptions options;
        ASSERT_TRUE(sim::ApplyPageOption(options, "layout", layout));
        const auto saved = sim::QuoteFor("7203.t", m_clock.Now());
        ASSERT_TRUE(saved);
        const std::string page = sim::EncodePage(sim::RenderQuotePageUtf8("7203.t", m_clock.Now(), options), sim::PageEncoding::ShiftJis);
        const Finished learned = Rules({"--learn", Write(std::string(layout) + ".html", page), "--name", saved->name, "--time",
                                        saved->time, "--price", saved->price, "--change", saved->change, "--rate",
                                        saved->rate, "--volume", saved->volume});
        EXPECT_EQ(learned.status, 0) << learned.err;
        EXPECT_EQ(learned.err, "");
        // The list stands in pieces 151 to 201, the state object before them.
        EXPECT_EQ(learned.out.find("WINDOW_PIECES=") == std::string::npos, std::string(layout) == "dl") << learned.out;

        const std::string ini = Write("base_data.ini", "[LINK_JOUHOU]\r\n" + learned.out);
        for (const char* symbol : {"6758.t", "9432.t", "998407"}) {
            const auto quote = sim::QuoteFor(symbol, m_clock.Now());
            ASSERT_TRUE(quote);
            const Finished read = Rules({"--ini", ini, "--url", market.QuoteAddress(symbol) + "&layout=" + layout, "--raw"});
            EXPECT_EQ(read.status, 0);
            EXPECT_EQ(read.out, Utf8ToSjis(quote->name + "_" + quote->time + "_" + quote->price + "_" + quote->change + "_" +
                                           quote->rate + "_" + quote->volume + "_"))
                << symbol;
        }
    }
}
