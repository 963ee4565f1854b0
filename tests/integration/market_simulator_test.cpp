#include <gtest/gtest.h>

#include <curl/curl.h>
#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/quotes/page_fetcher.h"
#include "core/quotes/page_window_cutter.h"
#include "core/settings/settings.h"
#include "core/text/sjis.h"
#include "local_servers.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

extern char** environ;

using namespace zelmora;

namespace {

class SetClock : public Clock {
public:
    LocalTime Now() const override { return now; }
    LocalTime now{2025, 3, 14, 10, 30, 0, 5};
};

std::string StripTags(const std::string& text)
{
    std::string out;
    bool inTag = false;
    for (char c : text) {
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag)
            out += c;
    }
    return out;
}

// The values the default marker rules find after the anchor, each searched
// after the previous one; nullopt for the record when the anchor is missing.
struct Found {
    std::vector<std::string> values; // name, time, price, change, rate, volume; "" when not found
};

std::optional<Found> FindWithDefaultRules(const std::string& window)
{
    const Settings defaults;
    const auto& rules = defaults.m_markerRules;
    const std::size_t anchor = FindSjis(window, rules[RuleKey].prefix);
    if (anchor == npos)
        return std::nullopt;
    Found found;
    std::size_t pos = anchor;
    for (int r = RuleName; r <= RuleVolume; ++r) {
        const std::size_t start = FindSjis(window, rules[r].prefix, pos + 1);
        const std::size_t from = start == npos ? npos : start + rules[r].prefix.size();
        const std::size_t end = from == npos ? npos : FindSjis(window, rules[r].suffix, from);
        found.values.push_back(end == npos ? "" : window.substr(from, end - from));
        pos = end == npos ? anchor : end;
    }
    return found;
}

std::vector<std::string> Expected(const sim::SimQuote& quote)
{
    return {S(quote.name.c_str()), quote.time, quote.price, quote.change, quote.rate, quote.volume};
}

std::string Decode(const std::string& bytes, const char* from)
{
    iconv_t cd = iconv_open("UTF-8", from);
    std::string out(bytes.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        return "<not " + std::string(from) + ">";
    out.resize(out.size() - outLeft);
    return out;
}

long long ParseUnits(std::string text)
{
    std::string digits;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '-')
            digits += c;
    }
    return std::stoll(digits);
}

struct RawGet {
    CURLcode result = CURLE_OK;
    long status = 0;
    std::string body;
    std::string contentType;
    curl_off_t contentLength = -1;
};

// A plain GET that keeps the whole body and does not stop on errors.
RawGet Get(const std::string& address)
{
    RawGet got;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10'000L);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &got.body);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* user) {
        static_cast<std::string*>(user)->append(data, size * count);
        return size * count;
    });
    got.result = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &got.status);
    char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    got.contentType = type ? type : "";
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &got.contentLength);
    curl_easy_cleanup(curl);
    return got;
}

class MarketSimulatorTest : public ::testing::Test {
protected:
    void Start(sim::PageOptions defaults = {})
    {
        sim::MarketSimulator::Config config;
        config.defaults = defaults;
        config.clock = &m_clock;
        m_market = std::make_unique<sim::MarketSimulator>(config);
        ASSERT_GT(m_market->Start(), 0);
    }

    std::string Window(const std::string& query)
    {
        const FetchOutcome outcome = FetchPageWindow(m_market->QuoteAddress(query));
        EXPECT_EQ(outcome.kind, FetchOutcome::Ok) << query;
        return outcome.window;
    }

    SetClock m_clock;
    std::unique_ptr<sim::MarketSimulator> m_market;
};

} // namespace

TEST_F(MarketSimulatorTest, DefaultRulesFindEveryValueWithinPieces151To201)
{
    Start();
    const std::string window = Window("7203.t");
    const auto found = FindWithDefaultRules(window);
    ASSERT_TRUE(found);
    const auto quote = sim::QuoteFor("7203.t", m_clock.Now());
    ASSERT_TRUE(quote);
    std::vector<std::string> values = found->values;
    values[3] = StripTags(values[3]);
    values[4] = StripTags(values[4]);
    EXPECT_EQ(values, Expected(*quote));
    EXPECT_EQ(quote->name, "トヨタ自動車");
    EXPECT_EQ(quote->time, "10:30");
    // The scraper treats a window without "Shift_JIS" as possibly another
    // encoding; the declaration stays in the head, before piece 151.
    EXPECT_EQ(window.find("Shift_JIS"), std::string::npos);
    const RawGet page = Get(m_market->QuoteAddress("7203.t"));
    EXPECT_LT(page.body.find("charset=Shift_JIS"), page.body.find("</head>"));
    EXPECT_NE(page.contentType.find("Shift_JIS"), std::string::npos);
}

TEST_F(MarketSimulatorTest, EverySecurityAndMomentPutsItsQuoteInTheWindow)
{
    int rises = 0, falls = 0;
    std::set<std::string> names;
    for (const char* symbol : {"7203.t", "6758.t", "9432.t", "9984.t", "8306.t", "1301.q", "2914.o", "130A.t",
                               "9999.s", "998407", "998405", "23337", "5040469"}) {
        for (int hour : {0, 9, 11, 15, 23}) {
            for (int second : {0, 17, 3599}) {
                m_clock.now.hour = hour;
                m_clock.now.minute = second / 60;
                m_clock.now.second = second % 60;
                const auto quote = sim::QuoteFor(symbol, m_clock.now);
                ASSERT_TRUE(quote) << symbol;
                const std::string page = sim::EncodePage(sim::RenderQuotePageUtf8(symbol, m_clock.now, {}),
                                                         sim::PageEncoding::ShiftJis);
                const auto found = FindWithDefaultRules(CutPageWindow(page));
                ASSERT_TRUE(found) << symbol << " " << hour;
                std::vector<std::string> values = found->values;
                // Falls are wrapped in a font tag, as on real pages.
                EXPECT_EQ(values[3].find("<font") != std::string::npos, quote->direction < 0) << values[3];
                values[3] = StripTags(values[3]);
                values[4] = StripTags(values[4]);
                EXPECT_EQ(values, Expected(*quote)) << symbol << " " << hour << ":" << second;
                EXPECT_EQ(values[0].find('-'), std::string::npos);
                rises += quote->direction > 0;
                falls += quote->direction < 0;
                names.insert(quote->name);
            }
        }
    }
    EXPECT_GT(rises, 0);
    EXPECT_GT(falls, 0);
    EXPECT_GE(names.size(), 10u);
}

TEST(MarketSimulatorQuotes, PricesWalkAroundTheCloseConsistently)
{
    for (const char* symbol : {"7203.t", "4321.q", "998407", "5040469"}) {
        LocalTime now{2025, 3, 14, 9, 0, 0, 5};
        std::set<std::string> prices;
        std::optional<long long> close;
        long long lastVolume = -1;
        for (int step = 0; step < 720; ++step) { // one hour
            now.minute = step * sim::kPriceStepSeconds / 60;
            now.second = step * sim::kPriceStepSeconds % 60;
            const auto quote = sim::QuoteFor(symbol, now);
            ASSERT_TRUE(quote);
            const long long price = ParseUnits(quote->price);
            const long long change = ParseUnits(quote->change);
            // Every quote of a day derives from the same previous close.
            if (!close)
                close = price - change;
            EXPECT_EQ(price - change, *close) << symbol << " " << quote->price << " " << quote->change;
            EXPECT_EQ(quote->direction, change > 0 ? 1 : change < 0 ? -1 : 0);
            EXPECT_EQ(quote->rate[0] == '+', change > 0) << quote->rate;
            EXPECT_EQ(quote->rate[0] == '-', change < 0) << quote->rate;
            const double rate = static_cast<double>(ParseUnits(quote->rate)) / 100.0;
            EXPECT_NEAR(rate, 100.0 * static_cast<double>(change) / static_cast<double>(*close), 0.006) << quote->rate;
            EXPECT_LT(std::abs(change), *close / 10) << symbol;
            const long long volume = ParseUnits(quote->volume);
            EXPECT_GE(volume, lastVolume);
            lastVolume = volume;
            prices.insert(quote->price);

            // Within one step the quote stands still.
            LocalTime later = now;
            later.second += sim::kPriceStepSeconds - 1;
            EXPECT_EQ(sim::QuoteFor(symbol, later)->price, quote->price);
        }
        EXPECT_GT(prices.size(), 20u) << symbol;
    }
}

TEST_F(MarketSimulatorTest, EucAndUtf8PagesHoldTheSameTextAtTheSamePieces)
{
    Start();
    const std::string sjis = Window("6758.t");
    const std::string euc = Window("6758.t&enc=euc");
    const std::string utf8 = Window("6758.t&enc=utf8");
    EXPECT_EQ(Decode(sjis, "CP932"), utf8);
    EXPECT_EQ(Decode(euc, "EUC-JP"), utf8);
    EXPECT_NE(euc, sjis);
    EXPECT_NE(utf8.find("ソニーグループ&nbsp;</b>"), std::string::npos);

    const RawGet eucPage = Get(m_market->QuoteAddress("6758.t&enc=euc"));
    EXPECT_NE(eucPage.contentType.find("EUC-JP"), std::string::npos);
    EXPECT_NE(eucPage.body.find("charset=EUC-JP"), std::string::npos);
    const RawGet utf8Page = Get(m_market->QuoteAddress("6758.t&enc=utf8"));
    EXPECT_NE(utf8Page.contentType.find("UTF-8"), std::string::npos);
    EXPECT_NE(utf8Page.body.find("charset=UTF-8"), std::string::npos);
}

TEST_F(MarketSimulatorTest, MissingPriceDropsOnlyThePriceSuffix)
{
    Start();
    const std::string window = Window("7203.t&missing=price");
    const Settings defaults;
    EXPECT_EQ(window.find(defaults.m_markerRules[RulePrice].suffix), std::string::npos);
    EXPECT_NE(window.find("<td nowrap><b>" + sim::QuoteFor("7203.t", m_clock.Now())->price), std::string::npos);
    const auto found = FindWithDefaultRules(window);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->values[0], S("トヨタ自動車"));
    EXPECT_EQ(found->values[1], "10:30");
}

TEST_F(MarketSimulatorTest, NoAnchorKeepsTheValueMarkers)
{
    Start();
    const std::string window = Window("7203.t&noanchor=1");
    EXPECT_FALSE(FindWithDefaultRules(window));
    const Settings defaults;
    for (int r = RuleName; r <= RuleVolume; ++r)
        EXPECT_NE(window.find(defaults.m_markerRules[r].prefix), std::string::npos) << r;
}

TEST_F(MarketSimulatorTest, StatusSwitchAnswersWithThatStatus)
{
    Start();
    EXPECT_EQ(Get(m_market->QuoteAddress("7203.t&status=404")).status, 404);
    EXPECT_EQ(Get(m_market->QuoteAddress("998407&status=500")).status, 500);
    // Values out of range are ignored.
    for (const char* bad : {"status=99", "status=abc", "status=", "status=700"})
        EXPECT_EQ(Get(m_market->QuoteAddress(std::string("7203.t&") + bad)).status, 200) << bad;
}

TEST_F(MarketSimulatorTest, CutClosesTheConnectionShortOfContentLength)
{
    Start();
    const RawGet whole = Get(m_market->QuoteAddress("7203.t"));
    const RawGet cut = Get(m_market->QuoteAddress("7203.t&cut=1"));
    EXPECT_EQ(cut.result, CURLE_PARTIAL_FILE);
    EXPECT_EQ(cut.contentLength, static_cast<curl_off_t>(whole.body.size()));
    // The first lines arrive, then nothing: the window is never reached.
    std::size_t end = 0;
    for (int i = 0; i < sim::kCutAfterLines; ++i)
        end = whole.body.find('\n', end) + 1;
    EXPECT_EQ(cut.body, whole.body.substr(0, end));
    EXPECT_LT(sim::kCutAfterLines, static_cast<int>(kFirstWindowPiece));
}

TEST_F(MarketSimulatorTest, FlagsSetDefaultsThatQueriesOverride)
{
    sim::PageOptions defaults;
    ASSERT_TRUE(sim::ApplyPageOption(defaults, "enc", "euc"));
    ASSERT_TRUE(sim::ApplyPageOption(defaults, "noanchor", "1"));
    Start(defaults);
    const RawGet byDefault = Get(m_market->QuoteAddress("7203.t"));
    EXPECT_NE(byDefault.contentType.find("EUC-JP"), std::string::npos);
    EXPECT_FALSE(FindWithDefaultRules(CutPageWindow(byDefault.body)));

    const std::string overridden = Window("7203.t&enc=sjis&noanchor=0");
    const auto found = FindWithDefaultRules(overridden);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->values[0], S("トヨタ自動車"));
}

TEST(MarketSimulatorOptions, InvalidValuesLeaveTheOptionsAlone)
{
    sim::PageOptions options;
    const sim::PageOptions before = options;
    for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
             {"enc", "latin1"}, {"status", "99"}, {"status", "600"}, {"status", "4x4"}, {"slow", "-1"},
             {"slow", "999999"}, {"cut", "yes"}, {"noanchor", "2"}, {"missing", "name"}, {"s", "7203.t"}}) {
        EXPECT_FALSE(sim::ApplyPageOption(options, name, value)) << name << "=" << value;
        EXPECT_EQ(options, before);
    }
    EXPECT_TRUE(sim::ApplyPageOption(options, "slow", "250"));
    EXPECT_EQ(options.slowMs, 250);
    EXPECT_TRUE(sim::ApplyPageOption(options, "status", "503"));
    EXPECT_EQ(options.status, 503);
}

TEST_F(MarketSimulatorTest, UnknownSymbolsGetAPageWithoutQuoteAndAreNotEchoedRaw)
{
    Start();
    for (const char* symbol : {"12345.t", "7203", "7203.tt", "72-3.t", "", "%3Cscript%3E.t"}) {
        const RawGet page = Get(m_market->QuoteAddress(symbol));
        EXPECT_EQ(page.status, 200) << symbol;
        EXPECT_FALSE(FindWithDefaultRules(CutPageWindow(page.body))) << symbol;
        EXPECT_EQ(page.body.find("<script>"), std::string::npos);
    }
    EXPECT_FALSE(sim::QuoteFor("12345.t", m_clock.Now()));
}

#ifdef ZELMORA_MARKET_SIM_EXE
namespace {

struct Child {
    pid_t pid = -1;
    int out = -1;
};

Child Spawn(std::vector<std::string> args)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    args.insert(args.begin(), ZELMORA_MARKET_SIM_EXE);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Child child;
    if (posix_spawn(&child.pid, ZELMORA_MARKET_SIM_EXE, &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    child.out = pipeFds[0];
    return child;
}

std::string ReadLine(int fd)
{
    std::string line;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

int Wait(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(MarketSimulatorProgram, PrintsItsPortFirstAndServesUntilTerminated)
{
    Child child = Spawn({"--port", "0", "--enc", "utf8"});
    ASSERT_GT(child.pid, 0);
    const std::string first = ReadLine(child.out);
    int port = 0;
    ASSERT_EQ(std::sscanf(first.c_str(), "port %d", &port), 1) << first;
    ASSERT_GT(port, 0);

    const FetchOutcome outcome = FetchPageWindow("http://127.0.0.1:" + std::to_string(port) + "/q?s=9432.t");
    ASSERT_EQ(outcome.kind, FetchOutcome::Ok);
    EXPECT_NE(outcome.window.find("日本電信電話&nbsp;</b>"), std::string::npos);

    ::kill(child.pid, SIGTERM);
    EXPECT_EQ(Wait(child.pid), 0);
    ::close(child.out);
}

TEST(MarketSimulatorProgram, RejectsBadArguments)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"--port"}, {"--port", "x"}, {"--port", "0", "--enc", "latin1"}, {"--port", "0", "--bogus"}}) {
        Child child = Spawn(args);
        ASSERT_GT(child.pid, 0);
        EXPECT_EQ(Wait(child.pid), 2);
        ::close(child.out);
    }
}
#endif
