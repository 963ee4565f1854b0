#include <gtest/gtest.h>

#include <curl/curl.h>
#include <signal.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/quotes/page_window_cutter.h"
#include "core/settings/settings.h"
#include "core/text/sjis.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

const LocalTime kMoment{2025, 3, 14, 10, 30, 0, 5};

class FixedClock : public Clock {
public:
    LocalTime Now() const override { return kMoment; }
};

// What the default marker rules read after the anchor, each value searched
// after the previous one: name, time, price, change, rate, volume ("" when
// not found). nullopt when the anchor is missing.
std::optional<std::vector<std::string>> ReadWithDefaultRules(const std::string& window)
{
    const auto& rules = Settings().markerRules;
    const std::size_t anchor = FindSjis(window, rules[RuleKey].prefix);
    if (anchor == npos)
        return std::nullopt;
    std::vector<std::string> values;
    std::size_t pos = anchor;
    for (int r = RuleName; r <= RuleVolume; ++r) {
        const std::size_t start = FindSjis(window, rules[r].prefix, pos + 1);
        const std::size_t from = start == npos ? npos : start + rules[r].prefix.size();
        const std::size_t end = from == npos ? npos : FindSjis(window, rules[r].suffix, from);
        values.push_back(end == npos ? "" : window.substr(from, end - from));
        pos = end == npos ? anchor : end;
    }
    return values;
}

// Falls are drawn in a font tag, as on real pages.
std::vector<std::string> Expected(const sim::SimQuote& q)
{
    auto cell = [&](const std::string& v) { return q.direction < 0 ? "<font color=blue>" + v + "</font>" : v; };
    return {S(q.name.c_str()), q.time, q.price, cell(q.change), cell(q.rate), q.volume};
}

std::string SjisWindow(const std::string& symbol, const LocalTime& now)
{
    return CutPageWindow(sim::EncodePage(sim::RenderQuotePageUtf8(symbol, now, {}), sim::PageEncoding::ShiftJis));
}

struct RawGet {
    CURLcode result = CURLE_OK;
    long status = 0;
    std::string body, contentType;
    curl_off_t contentLength = -1, microseconds = 0;
};

// A plain GET that keeps the whole body and does not stop on errors.
RawGet Get(const std::string& address)
{
    RawGet got;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10'000L);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &got.body);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* body) {
        static_cast<std::string*>(body)->append(data, size * count);
        return size * count;
    });
    got.result = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &got.status);
    char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    got.contentType = type ? type : "";
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &got.contentLength);
    curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME_T, &got.microseconds);
    curl_easy_cleanup(curl);
    return got;
}

} // namespace

TEST(MarketSimulatorPages, DefaultRulesReadEveryQuoteFromPieces151To201)
{
    int rises = 0, falls = 0;
    for (const char* symbol : {"7203.t", "6758.t", "9984.t", "8306.t", "1301.q", "130A.t", "9999.s", "998407",
                               "998405", "23337", "5040469"}) {
        for (int second : {0, 9 * 3600 + 17, 11 * 3600 + 3599, 15 * 3600, 23 * 3600 + 3599}) {
            const LocalTime now{2025, 3, 14, second / 3600, second / 60 % 60, second % 60, 5};
            const sim::SimQuote quote = sim::QuoteFor(symbol, now).value();
            EXPECT_EQ(ReadWithDefaultRules(SjisWindow(symbol, now)), Expected(quote)) << symbol << " at " << second;
            rises += quote.direction > 0;
            falls += quote.direction < 0;
        }
    }
    EXPECT_TRUE(rises > 0 && falls > 0);
    // Unknown symbols get a page without a quote, and are not echoed raw.
    for (const char* symbol : {"12345.t", "7203", "7203.tt", "72-3.t", "", "<script>.t"}) {
        EXPECT_FALSE(sim::QuoteFor(symbol, kMoment) || ReadWithDefaultRules(SjisWindow(symbol, kMoment))) << symbol;
        EXPECT_EQ(sim::RenderQuotePageUtf8(symbol, kMoment, {}).find("<script>"), npos);
    }
}

TEST(MarketSimulatorPages, OtherLayoutsShowTheSameQuoteWhereTheBuiltInRulesFindNothing)
{
    for (const char* symbol : {"7203.t", "6758.t", "998407"}) {
        const sim::SimQuote q = sim::QuoteFor(symbol, kMoment).value();
        sim::PageOptions options;
        ASSERT_TRUE(sim::ApplyPageOption(options, "layout", "dl"));
        const std::string list = CutPageWindow(sim::RenderQuotePageUtf8(symbol, kMoment, options));
        EXPECT_FALSE(ReadWithDefaultRules(list)) << symbol;
        for (const std::string& cell : {"<dd class=\"name\">" + q.name + "</dd>", "<dd class=\"time\">" + q.time + "</dd>",
                                        "<dd class=\"price\">" + q.price + "</dd>", "<dd class=\"change\">" + q.change + "</dd>",
                                        "<dd class=\"rate\">" + q.rate + "</dd>", "<dd class=\"volume\">" + q.volume + "</dd>"})
            EXPECT_NE(list.find(cell), npos) << cell;

        ASSERT_TRUE(sim::ApplyPageOption(options, "layout", "json"));
        const std::string page = sim::RenderQuotePageUtf8(symbol, kMoment, options);
        const std::string state = "{\"name\":\"" + q.name + "\",\"time\":\"" + q.time + "\",\"price\":\"" + q.price +
                                  "\",\"change\":\"" + q.change + "\",\"rate\":\"" + q.rate + "\",\"volume\":\"" +
                                  q.volume + "\"}";
        EXPECT_NE(page.find(state), npos);
        EXPECT_LT(page.find(state), PieceStarts(page).at(150)); // before piece 151
        EXPECT_FALSE(ReadWithDefaultRules(CutPageWindow(page)));
    }
}

TEST(MarketSimulatorQuotes, PricesWalkAroundOneCloseAndVolumesOnlyGrow)
{
    auto units = [](std::string text) { // "+1,234.50" -> 123450
        std::erase_if(text, [](char c) { return !std::isdigit(static_cast<unsigned char>(c)) && c != '-'; });
        return std::stoll(text);
    };
    for (const char* symbol : {"7203.t", "4321.q", "998407", "5040469"}) {
        std::set<std::string> prices;
        long long close = 0, lastVolume = -1;
        for (int step = 0; step < 720; ++step) { // one hour
            const int second = 9 * 3600 + step * sim::kPriceStepSeconds;
            LocalTime now{2025, 3, 14, second / 3600, second / 60 % 60, second % 60, 5};
            const sim::SimQuote q = sim::QuoteFor(symbol, now).value();
            const long long price = units(q.price), change = units(q.change), volume = units(q.volume);
            close = step == 0 ? price - change : close; // every quote of a day derives from one close
            EXPECT_EQ(price - change, close) << symbol << " " << q.price << " " << q.change;
            EXPECT_EQ(q.direction, (change > 0) - (change < 0));
            EXPECT_EQ(q.rate[0] == '+' ? 1 : q.rate[0] == '-' ? -1 : 0, q.direction) << q.rate;
            EXPECT_NEAR(units(q.rate) / 100.0, 100.0 * change / close, 0.006) << q.rate;
            EXPECT_TRUE(std::abs(change) < close / 10 && volume >= lastVolume) << symbol << " " << q.change;
            lastVolume = volume;
            prices.insert(q.price);
            now.second += sim::kPriceStepSeconds - 1; // within one step the quote stands still
            EXPECT_EQ(sim::QuoteFor(symbol, now)->price, q.price);
        }
        EXPECT_GT(prices.size(), 20u) << symbol;
    }
}

TEST(MarketSimulatorOptions, InvalidValuesLeaveTheOptionsAlone)
{
    sim::PageOptions options;
    for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
             {"enc", "latin1"}, {"status", "99"}, {"status", "600"}, {"status", "4x4"}, {"slow", "-1"},
             {"slow", "999999"}, {"cut", "yes"}, {"noanchor", "2"}, {"missing", "name"}, {"s", "7203.t"},
             {"layout", "grid"}}) {
        EXPECT_FALSE(sim::ApplyPageOption(options, name, value)) << name << "=" << value;
        EXPECT_EQ(options, sim::PageOptions{});
    }
    EXPECT_TRUE(sim::ApplyPageOption(options, "slow", "250") && sim::ApplyPageOption(options, "status", "503"));
    EXPECT_EQ(options, (sim::PageOptions{.status = 503, .slowMs = 250}));
}

TEST(MarketSimulatorServer, DefaultsChangeWhileItServes)
{
    FixedClock clock;
    sim::MarketSimulator market({{}, &clock});
    ASSERT_GT(market.Start(), 0);
    const std::string address = market.QuoteAddress("7203.t");
    const auto servesList = [](const RawGet& got) { return got.body.find("<dl class=\"stock-quote\"") != npos; };
    EXPECT_FALSE(servesList(Get(address)));
    sim::PageOptions changed;
    changed.layout = sim::PageLayout::List;
    market.SetDefaults(changed);
    EXPECT_TRUE(servesList(Get(address)));
    EXPECT_FALSE(servesList(Get(address + "&layout=table"))); // a query still overrides
    market.SetDefaults({});
    EXPECT_FALSE(servesList(Get(address)));
}

TEST(MarketSimulatorServer, ServesThePageAndEachQuerySwitchDoesWhatItSays)
{
    FixedClock clock;
    sim::MarketSimulator market({{}, &clock});
    ASSERT_GT(market.Start(), 0);
    const std::string toyota = sim::EncodePage(sim::RenderQuotePageUtf8("7203.t", kMoment, {}), sim::PageEncoding::ShiftJis);
    const std::string sonyUtf8 = CutPageWindow(sim::RenderQuotePageUtf8("6758.t", kMoment, {}));
    const auto& rules = Settings().markerRules;
    auto answers = [](long status) { return [status](const RawGet& got) { EXPECT_EQ(got.status, status); }; };
    const std::vector<std::pair<std::string, std::function<void(const RawGet&)>>> cases{
        {"7203.t", [&](const RawGet& got) { // a window without "Shift_JIS" may be another encoding to the reader
             EXPECT_EQ(got.body, toyota);
             EXPECT_NE(got.contentType.find("Shift_JIS"), npos);
             EXPECT_LT(got.body.find("charset=Shift_JIS"), got.body.find("</head>"));
             EXPECT_EQ(CutPageWindow(got.body).find("Shift_JIS"), npos);
         }},
        {"6758.t&enc=euc", [&](const RawGet& got) { // the same text at the same pieces
             EXPECT_NE(got.contentType.find("EUC-JP"), npos);
             EXPECT_NE(got.body.find("charset=EUC-JP"), npos);
             EXPECT_EQ(CutPageWindow(got.body), sim::EncodePage(sonyUtf8, sim::PageEncoding::EucJp));
             EXPECT_NE(got.body.find("\xA5\xBD\xA5\xCB\xA1\xBC"), npos); // ソニー
         }},
        {"6758.t&enc=utf8", [&](const RawGet& got) {
             EXPECT_NE(got.contentType.find("UTF-8"), npos);
             EXPECT_NE(got.body.find("charset=UTF-8"), npos);
             EXPECT_EQ(CutPageWindow(got.body), sonyUtf8);
             EXPECT_NE(sonyUtf8.find("ソニーグループ&nbsp;</b>"), npos);
         }},
        {"7203.t&missing=price", [&](const RawGet& got) {
             const std::string window = CutPageWindow(got.body);
             const sim::SimQuote quote = *sim::QuoteFor("7203.t", kMoment);
             EXPECT_EQ(window.find(rules[RulePrice].suffix), npos);
             EXPECT_NE(window.find("<td nowrap><b>" + quote.price), npos);
             const auto values = ReadWithDefaultRules(window).value_or(std::vector<std::string>(6));
             EXPECT_EQ(std::vector(values.begin(), values.begin() + 2), (std::vector{S(quote.name.c_str()), quote.time}));
         }},
        {"7203.t&noanchor=1", [&](const RawGet& got) {
             EXPECT_FALSE(ReadWithDefaultRules(CutPageWindow(got.body)));
             for (int r = RuleName; r <= RuleVolume; ++r)
                 EXPECT_NE(got.body.find(rules[r].prefix), npos) << r;
         }},
        {"7203.t&status=404", answers(404)},
        {"998407&status=500", answers(500)},
        {"7203.t&status=abc", answers(200)}, // values out of range are ignored
        {"7203.t&status=700", answers(200)},
        {"7203.t&cut=1", [&](const RawGet& got) { // the first lines arrive, never the window
             EXPECT_EQ(got.result, CURLE_PARTIAL_FILE);
             EXPECT_EQ(got.contentLength, static_cast<curl_off_t>(toyota.size()));
             std::size_t end = 0;
             for (int i = 0; i < sim::kCutAfterLines; ++i)
                 end = toyota.find('\n', end) + 1;
             EXPECT_EQ(got.body, toyota.substr(0, end));
             EXPECT_LT(sim::kCutAfterLines, static_cast<int>(PieceWindow{}.first));
         }},
        {"7203.t&slow=300", [&](const RawGet& got) {
             EXPECT_GE(got.microseconds, 300'000);
             EXPECT_EQ(got.body, toyota);
         }},
    };
    for (const auto& [query, check] : cases) {
        SCOPED_TRACE(query);
        check(Get(market.QuoteAddress(query)));
    }
}

#ifdef ZELMORA_MARKET_SIM_EXE
TEST(MarketSimulatorProgram, PrintsItsPortFirstServesUntilTerminatedAndRejectsBadArguments)
{
    const std::string program = std::string("'") + ZELMORA_MARKET_SIM_EXE + "'";
    for (const char* args : {"", "--port", "--port x", "--port 0 --enc latin1", "--port 0 --bogus"}) {
        const int status = std::system((program + " " + args + " >/dev/null 2>&1").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args;
    }
    // The shell prints its process id, then becomes the simulator.
    FILE* out = ::popen(("echo $$; exec " + program + " --port 0 --enc utf8 2>/dev/null").c_str(), "r");
    ASSERT_NE(out, nullptr);
    int pid = 0, port = 0;
    ASSERT_EQ(std::fscanf(out, "%d port %d", &pid, &port), 2);
    const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/q?s=9432.t";
    EXPECT_NE(CutPageWindow(Get(address).body).find("日本電信電話&nbsp;</b>"), npos); // the flag sets the default
    EXPECT_NE(CutPageWindow(Get(address + "&enc=sjis").body).find(S("日本電信電話&nbsp;</b>")), npos); // a query overrides it
    ::kill(pid, SIGTERM);
    const int status = ::pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif
