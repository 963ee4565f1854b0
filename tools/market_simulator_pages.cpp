#include "market_simulator_pages.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace zelmora::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Security {
    std::string code;
    std::string name;
    long long base = 0; // in units of 10^-decimals
    int decimals = 0;
    long long tick = 1;
    bool isIndex = false;
};

struct KnownStock {
    const char* code;
    const char* name;
    long long base;
};

constexpr std::array<KnownStock, 10> kKnownStocks{{
    {"7203", "トヨタ自動車", 2850},
    {"6758", "ソニーグループ", 3300},
    {"9432", "日本電信電話", 155},
    {"9984", "ソフトバンクグループ", 8900},
    {"8306", "三菱ＵＦＪフィナンシャル・グループ", 1500},
    {"6501", "日立製作所", 3600},
    {"7974", "任天堂", 8000},
    {"8058", "三菱商事", 2900},
    {"6861", "キーエンス", 65000},
    {"4063", "信越化学工業", 6000},
}};

constexpr std::array<const char*, 8> kNameHeads{"日本", "東洋", "大和", "中央", "北辰", "丸栄", "三和", "新光"};
constexpr std::array<const char*, 8> kNameTails{"製作所", "化学工業", "電機", "商事", "建設", "物産", "精機", "食品"};

const std::array<Security, 4>& Indices()
{
    static const std::array<Security, 4> indices{{
        {"998407", "日経平均株価", 3'850'000, 2, 1, true},
        {"998405", "ＴＯＰＩＸ", 272'000, 2, 1, true},
        {"23337", "ＪＡＳＤＡＱ指数", 18'050, 2, 1, true},
        {"5040469", "日経平均先物", 38'500, 0, 10, true},
    }};
    return indices;
}

std::uint64_t Fnv1a(std::string_view text)
{
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A number in [-1, 1).
double Unit(std::uint64_t seed)
{
    return static_cast<double>(Mix(seed) >> 11) * 0x1.0p-53 * 2.0 - 1.0;
}

bool IsAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::optional<Security> FindSecurity(std::string_view symbol)
{
    for (const Security& index : Indices()) {
        if (symbol == index.code)
            return index;
    }
    if (symbol.size() != 6 || symbol[4] != '.' || !IsLetter(symbol[5]))
        return std::nullopt;
    const std::string_view code = symbol.substr(0, 4);
    for (char c : code) {
        if (!IsAlnum(c))
            return std::nullopt;
    }
    Security stock;
    stock.code = std::string(code);
    for (const KnownStock& known : kKnownStocks) {
        if (code == known.code) {
            stock.name = known.name;
            stock.base = known.base;
            return stock;
        }
    }
    const std::uint64_t seed = Fnv1a(code);
    stock.name = std::string(kNameHeads[seed % kNameHeads.size()]) + kNameTails[(seed >> 8) % kNameTails.size()];
    stock.base = 200 + static_cast<long long>((seed >> 16) % 9800);
    return stock;
}

long long RoundToTick(double value, long long tick)
{
    const long long rounded = std::llround(value / static_cast<double>(tick)) * tick;
    return rounded < tick ? tick : rounded;
}

// 1234567 with 2 decimals -> "12,345.67".
std::string FormatUnits(long long units, int decimals)
{
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const std::string whole = std::to_string(units / scale);
    std::string out;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            out += ',';
        out += whole[i];
    }
    if (decimals > 0) {
        std::string fraction = std::to_string(units % scale);
        fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
        out += '.' + fraction;
    }
    return out;
}

std::string Signed(int direction, const std::string& magnitude)
{
    return (direction > 0 ? "+" : direction < 0 ? "-" : "") + magnitude;
}

SimQuote MakeQuote(const Security& security, const LocalTime& now)
{
    const long long secondOfDay = now.hour * 3600LL + now.minute * 60LL + now.second;
    const long long step = secondOfDay / kPriceStepSeconds;
    const std::uint64_t seed = Fnv1a(security.code);
    const std::uint64_t daySeed = Mix(seed ^ static_cast<std::uint64_t>(now.year * 10000 + now.month * 100 + now.day));

    const long long previous = RoundToTick(security.base * (1.0 + 0.03 * Unit(daySeed)), security.tick);
    // Two slow waves and a little noise: a walk that stays near the close.
    const double slow = 600.0 + static_cast<double>(seed % 600);
    const double fast = 80.0 + static_cast<double>((seed >> 20) % 80);
    const double t = static_cast<double>(step);
    const double move = 0.018 * (0.65 * std::sin(2 * kPi * t / slow + kPi * Unit(daySeed + 1))
                                 + 0.35 * std::sin(2 * kPi * t / fast + kPi * Unit(daySeed + 2)))
                        + 0.002 * Unit(daySeed ^ Mix(static_cast<std::uint64_t>(step)));
    const long long price = RoundToTick(static_cast<double>(previous) * (1.0 + move), security.tick);
    const long long change = price - previous;
    const int direction = change > 0 ? 1 : change < 0 ? -1 : 0;
    const long long rate = std::llround(std::fabs(static_cast<double>(change)) * 10000.0 / static_cast<double>(previous));

    const long long dailyVolume = (20 + static_cast<long long>((seed >> 32) % 480)) * 10'000;
    const long long volume = dailyVolume * secondOfDay / 86'400 / 100 * 100;

    SimQuote quote;
    quote.name = security.name;
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d", now.hour, now.minute);
    quote.time = time;
    quote.price = FormatUnits(price, security.decimals);
    quote.change = Signed(direction, FormatUnits(change < 0 ? -change : change, security.decimals));
    quote.rate = direction == 0 ? "0.00%" : Signed(direction, FormatUnits(rate, 2) + "%");
    quote.volume = FormatUnits(volume, 0);
    quote.direction = direction;
    return quote;
}

// Only these bytes of a symbol are echoed into a page.
std::string SafeSymbol(std::string_view symbol)
{
    std::string out;
    for (char c : symbol.substr(0, 16)) {
        if (IsAlnum(c) || c == '.' || c == '_')
            out += c;
    }
    return out;
}

class Lines {
public:
    void Add(std::string line) { m_lines.push_back(std::move(line)); }
    int Count() const { return static_cast<int>(m_lines.size()); }
    std::string Join() const
    {
        std::string out;
        for (const std::string& line : m_lines)
            out += line + "\n";
        return out;
    }

private:
    std::vector<std::string> m_lines;
};

void AddHead(Lines& page, const std::string& title, const PageOptions& options)
{
    page.Add(R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">)");
    page.Add("<html lang=\"ja\">");
    page.Add("<head>");
    page.Add(std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + CharsetName(options.encoding) + "\">");
    page.Add("<meta http-equiv=\"Content-Style-Type\" content=\"text/css\">");
    page.Add("<meta name=\"robots\" content=\"noindex,nofollow\">");
    page.Add("<title>" + title + " - 株価シミュレーター</title>");
    page.Add("<style type=\"text/css\">");
    page.Add("<!--");
    for (const char* rule : {
             "body { margin: 0; padding: 0; background: #ffffff; }",
             "body, td, th { font-size: 12px; line-height: 1.4; }",
             "a:link { color: #0000cc; }", "a:visited { color: #551a8b; }", "a:hover { color: #ff6600; }",
             ".hdr { background: #eef0ff; border-bottom: 1px solid #9999cc; }",
             ".nav td { padding: 2px 6px; white-space: nowrap; }",
             ".nav a { text-decoration: none; }", ".idx td { padding: 1px 4px; }",
             ".up { color: #cc0000; }", ".down { color: #0000cc; }",
             ".rank td { border-bottom: 1px dotted #cccccc; }",
             ".box { border: 1px solid #cccccc; margin: 4px; }",
             ".box h2 { font-size: 13px; margin: 0; padding: 2px 4px; background: #f4f4f4; }",
             ".ftr { color: #666666; font-size: 10px; text-align: center; }",
             ".news li { margin: 2px 0; }", ".notice { color: #333333; }",
             "form.search { margin: 0; }", "input.q { width: 120px; }",
         })
        page.Add(rule);
    page.Add("-->");
    page.Add("</style>");
    page.Add("</head>");
    page.Add(R"(<body bgcolor="#ffffff" text="#000000" link="#0000cc" vlink="#551a8b">)");
}

void AddHeader(Lines& page, const LocalTime& now)
{
    page.Add("<!-- header -->");
    page.Add(R"(<table class=hdr border=0 cellspacing=0 cellpadding=4 width="100%">)");
    page.Add("<tr>");
    page.Add(R"(<td><a href="/"><img src="/img/logo.gif" width=180 height=32 border=0 alt="株価シミュレーター"></a></td>)");
    char date[160];
    std::snprintf(date, sizeof date, "<td align=right><small>%04d年%d月%d日 %02d:%02d 現在</small></td>", now.year,
                  now.month, now.day, now.hour, now.minute);
    page.Add(date);
    page.Add("</tr>");
    page.Add("</table>");
    page.Add("<table class=nav border=0 cellspacing=0 cellpadding=0>");
    page.Add("<tr>");
    for (const char* item : {"トップ", "株価検索", "市況", "ランキング", "為替", "投資信託", "債券", "先物",
                             "ニュース", "掲示板", "決算", "適時開示", "ポートフォリオ", "ヘルプ"}) {
        page.Add(std::string("<td><a href=\"/m?p=") + std::to_string(page.Count()) + "\">" + item + "</a></td>");
    }
    page.Add("</tr>");
    page.Add("</table>");
    page.Add("<!-- search -->");
    page.Add(R"(<form class=search action="/q" method=get>)");
    page.Add("<table border=0 cellspacing=0 cellpadding=2><tr>");
    page.Add("<td>コードまたは銘柄名</td>");
    page.Add(R"(<td><input class=q type=text name=s size=12></td>)");
    page.Add(R"(<td><input type=submit value="株価検索"></td>)");
    page.Add("</tr></table>");
    page.Add("</form>");
}

void AddMarketSummary(Lines& page, const LocalTime& now)
{
    page.Add("<!-- market summary -->");
    page.Add("<div class=box>");
    page.Add("<h2>主要指標</h2>");
    page.Add("<table class=idx border=0 cellspacing=0 cellpadding=0 width=\"100%\">");
    for (const Security& index : Indices()) {
        const SimQuote quote = MakeQuote(index, now);
        const char* css = quote.direction > 0 ? "up" : quote.direction < 0 ? "down" : "flat";
        page.Add("<tr>");
        page.Add("<td class=name><a href=\"/q?s=" + index.code + "\">" + quote.name + "</a></td>");
        page.Add("<td class=value align=right>" + quote.price + "</td>");
        page.Add(std::string("<td class=") + css + " align=right>" + quote.change + " (" + quote.rate + ")</td>");
        page.Add("</tr>");
    }
    page.Add("</table>");
    page.Add("</div>");
}

void AddRanking(Lines& page, const LocalTime& now)
{
    page.Add("<!-- ranking -->");
    page.Add("<div class=box>");
    page.Add("<h2>値上がり率ランキング（東証）</h2>");
    page.Add("<table class=rank border=0 cellspacing=0 cellpadding=1 width=\"100%\">");
    int rank = 1;
    for (const KnownStock& known : kKnownStocks) {
        const Security stock = *FindSecurity(std::string(known.code) + ".t");
        const SimQuote quote = MakeQuote(stock, now);
        page.Add("<tr><td class=no>" + std::to_string(rank++) + "</td><td class=name><a href=\"/q?s=" + known.code
                 + ".t\">" + quote.name + "</a></td><td class=value align=right>" + quote.price + "</td></tr>");
    }
    page.Add("</table>");
    page.Add("</div>");
}

void PadNotices(Lines& page, int untilLine)
{
    static constexpr std::array<const char*, 6> kNotices{
        "システムメンテナンスのお知らせ", "新機能「ポートフォリオ」のご案内", "株価の表示について",
        "祝日の取引時間について",         "ご利用上の注意",                   "よくあるご質問",
    };
    page.Add("<!-- notices -->");
    page.Add("<ul class=notice>");
    int n = 0;
    while (page.Count() < untilLine - 2) {
        page.Add("<li><a href=\"/info?id=" + std::to_string(1000 + n) + "\">" + kNotices[n % kNotices.size()]
                 + "</a></li>");
        ++n;
    }
    page.Add("</ul>");
}

void AddQuoteTable(Lines& page, const Security& security, const SimQuote& quote, const std::string& symbol,
                   const PageOptions& options)
{
    page.Add("<!-- quote -->");
    page.Add(R"(<table border=0 cellspacing=0 cellpadding=0 width="100%"><tr><td>)");
    page.Add(R"(<table border=0 cellspacing=1 cellpadding=3 width="100%" bgcolor="#9999cc">)");
    page.Add(R"(<tr bgcolor="#dcdcff">)");
    page.Add("<th nowrap>銘柄</th><th nowrap>取引時刻</th><th nowrap>取引値</th><th nowrap>前日比</th>"
             "<th nowrap>騰落率</th><th nowrap>出来高</th>");
    if (options.noAnchor) {
        page.Add("</tr>");
        page.Add("<tr align=right>");
    } else {
        page.Add("</tr><tr align=right>");
    }
    page.Add("<td nowrap align=left><a href=\"/c?s=" + symbol + "\"><img src=\"/img/chart.gif\" width=16 height=16 "
             "border=0 alt=\"\"></a><img src=\"/img/" + (security.isIndex ? "index" : "stock")
             + ".gif\" width=13 height=13 alt=\"\" align=absmiddle><b>" + quote.name + "&nbsp;</b><small>(" + symbol
             + ")</small></td>");
    page.Add("<td nowrap align=center>" + quote.time + "</td>");
    page.Add("<td nowrap><b>" + quote.price + (options.missingPrice ? "</td>" : "</b></td>"));
    // Falls are drawn in blue, as quote services do.
    auto cell = [&](const std::string& value) {
        return quote.direction < 0 ? "<td nowrap><font color=blue>" + value + "</font></td>" : "<td nowrap>" + value + "</td>";
    };
    page.Add(cell(quote.change));
    page.Add(cell(quote.rate));
    page.Add("<td nowrap>" + quote.volume + "</td>");
    page.Add("</tr>");
    page.Add("</table>");
    page.Add("</td></tr></table>");
}

void AddQuoteList(Lines& page, const SimQuote& quote, const std::string& symbol)
{
    page.Add("<!-- quote -->");
    page.Add("<dl class=\"stock-quote\" data-symbol=\"" + symbol + "\">");
    page.Add("<dt>銘柄名</dt><dd class=\"name\">" + quote.name + "</dd>");
    page.Add("<dt>取引時刻</dt><dd class=\"time\">" + quote.time + "</dd>");
    page.Add("<dt>現在値</dt><dd class=\"price\">" + quote.price + "</dd>");
    page.Add("<dt>前日比</dt><dd class=\"change\">" + quote.change + "</dd>");
    page.Add("<dt>騰落率</dt><dd class=\"rate\">" + quote.rate + "</dd>");
    page.Add("<dt>出来高</dt><dd class=\"volume\">" + quote.volume + "</dd>");
    page.Add("</dl>");
}

std::string QuoteState(const SimQuote& quote, const std::string& symbol)
{
    return "<script>window.__QUOTE_STATE__={\"symbol\":\"" + symbol + "\",\"quote\":{\"name\":\"" + quote.name +
           "\",\"time\":\"" + quote.time + "\",\"price\":\"" + quote.price + "\",\"change\":\"" + quote.change +
           "\",\"rate\":\"" + quote.rate + "\",\"volume\":\"" + quote.volume + "\"}};</script>";
}

void AddNotFound(Lines& page, const std::string& symbol)
{
    page.Add("<!-- quote -->");
    page.Add("<div class=box>");
    page.Add("<p>「" + symbol + "」に該当する銘柄は見つかりませんでした。</p>");
    page.Add("<p>コードをお確かめのうえ、もう一度検索してください。</p>");
    page.Add("</div>");
}

void AddTail(Lines& page, const LocalTime& now)
{
    page.Add("<!-- news -->");
    page.Add("<div class=box>");
    page.Add("<h2>関連ニュース</h2>");
    page.Add("<ul class=news>");
    static constexpr std::array<const char*, 5> kHeadlines{
        "東証大引け　反発、輸出関連株に買い", "為替相場　円相場は小幅な動き", "新興市場　個人の買い続く",
        "先物　夜間取引は小動き", "決算発表の予定（今週）",
    };
    int n = 0;
    while (page.Count() < kPageLineCount - 10) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%02d/%02d %02d:%02d", now.month, now.day, (9 + n) % 24, (n * 7) % 60);
        page.Add("<li><a href=\"/n?id=" + std::to_string(5000 + n) + "\">" + kHeadlines[n % kHeadlines.size()]
                 + "</a> <small>(" + stamp + ")</small></li>");
        ++n;
    }
    page.Add("</ul>");
    page.Add("</div>");
    page.Add("<!-- footer -->");
    page.Add("<hr size=1 noshade>");
    page.Add("<div class=ftr>");
    page.Add("<p>株価は実在の市場のものではありません。試験とデモのための模擬データです。</p>");
    page.Add("<p>Copyright (C) Zelmora market simulator. All Rights Reserved.</p>");
    page.Add("</div>");
    page.Add("</body>");
    page.Add("</html>");
}

} // namespace

bool ApplyPageOption(PageOptions& options, std::string_view name, std::string_view value)
{
    auto number = [&](int low, int high, int& target) {
        int parsed = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
        if (error != std::errc() || end != value.data() + value.size() || parsed < low || parsed > high)
            return false;
        target = parsed;
        return true;
    };
    auto flag = [&](bool& target) {
        if (value != "0" && value != "1")
            return false;
        target = value == "1";
        return true;
    };
    if (name == "enc") {
        if (value == "sjis")
            options.encoding = PageEncoding::ShiftJis;
        else if (value == "euc")
            options.encoding = PageEncoding::EucJp;
        else if (value == "utf8")
            options.encoding = PageEncoding::Utf8;
        else
            return false;
        return true;
    }
    if (name == "missing") {
        if (value != "price" && value != "none")
            return false;
        options.missingPrice = value == "price";
        return true;
    }
    if (name == "status")
        return number(200, 599, options.status);
    if (name == "slow")
        return number(0, 60'000, options.slowMs);
    if (name == "cut")
        return flag(options.cut);
    if (name == "noanchor")
        return flag(options.noAnchor);
    if (name == "change" || name == "rate") {
        (name == "change" ? options.change : options.rate) = std::string(value);
        return true;
    }
    if (name == "layout") {
        if (value == "table")
            options.layout = PageLayout::Table;
        else if (value == "dl")
            options.layout = PageLayout::List;
        else if (value == "json")
            options.layout = PageLayout::Json;
        else
            return false;
        return true;
    }
    return false;
}

std::optional<SimQuote> QuoteFor(std::string_view symbol, const LocalTime& now)
{
    const std::optional<Security> security = FindSecurity(symbol);
    if (!security)
        return std::nullopt;
    return MakeQuote(*security, now);
}

std::string RenderQuotePageUtf8(std::string_view symbol, const LocalTime& now, const PageOptions& options)
{
    const std::string safe = SafeSymbol(symbol);
    const std::optional<Security> security = FindSecurity(symbol);
    std::optional<SimQuote> quote = security ? std::optional<SimQuote>(MakeQuote(*security, now)) : std::nullopt;
    // A given change is drawn as its sign says.
    if (quote && !options.change.empty()) {
        quote->change = options.change;
        quote->direction = options.change[0] == '-' ? -1 : options.change[0] == '+' ? 1 : 0;
    }
    if (quote && !options.rate.empty())
        quote->rate = options.rate;

    Lines page;
    AddHead(page, quote ? quote->name + "【" + safe + "】：株価" : "株価検索", options);
    if (quote && options.layout == PageLayout::Json)
        page.Add(QuoteState(*quote, safe));
    AddHeader(page, now);
    AddMarketSummary(page, now);
    AddRanking(page, now);
    PadNotices(page, kQuoteTableFirstLine);
    if (!quote)
        AddNotFound(page, safe);
    else if (options.layout == PageLayout::Table)
        AddQuoteTable(page, *security, *quote, safe, options);
    else if (options.layout == PageLayout::List)
        AddQuoteList(page, *quote, safe);
    AddTail(page, now);
    return page.Join();
}

std::string RenderErrorPageUtf8(int status)
{
    const std::string code = std::to_string(status);
    return "<html><head><title>" + code + "</title></head>\n<body>\n<h1>" + code
           + " エラー</h1>\n<p>ページを表示できません。</p>\n</body></html>\n";
}

const char* CharsetName(PageEncoding encoding)
{
    switch (encoding) {
    case PageEncoding::EucJp:
        return "EUC-JP";
    case PageEncoding::Utf8:
        return "UTF-8";
    case PageEncoding::ShiftJis:
        break;
    }
    return "Shift_JIS";
}

std::string EncodePage(std::string_view utf8, PageEncoding encoding)
{
    if (encoding == PageEncoding::Utf8)
        return std::string(utf8);
    const char* target = encoding == PageEncoding::EucJp ? "EUC-JP" : "CP932";
    iconv_t cd = iconv_open(target, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no converter to " + std::string(target));
    std::string out(utf8.size() + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    // Japanese text never grows from UTF-8 to these encodings.
    const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    const int error = errno;
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
        throw std::runtime_error("page text has no form in " + std::string(target) + " (errno " + std::to_string(error) + ")");
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace zelmora::sim
