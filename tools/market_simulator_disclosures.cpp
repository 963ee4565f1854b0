#include "market_simulator_disclosures.h"

#include <array>
#include <charconv>

namespace zelmora::sim {
namespace {

// Other companies' entries around the watched ones; none of their digits
// contain a watched key.
struct Filler {
    const char* code;
    const char* name;
    const char* title;
};
constexpr std::array<Filler, 6> kFillers{{
    {"1301", "極洋", "コーポレート・ガバナンスに関する報告書の更新"},
    {"2914", "日本たばこ産業", "自己株式の消却に関するお知らせ"},
    {"3382", "セブン＆アイ・ホールディングス", "月次営業情報のお知らせ"},
    {"4502", "武田薬品工業", "新薬承認申請に関するお知らせ"},
    {"5401", "日本製鉄", "代表取締役の異動に関するお知らせ"},
    {"8801", "三井不動産", "固定資産の譲渡に関するお知らせ"},
}};
constexpr int kFillersPerPage = 3;
// Far beyond any real listing page (8 MB).
constexpr std::size_t kOversizeBytes = 9u << 20;

std::string Href(const std::string& date, int n)
{
    return "T" + date + "-" + std::to_string(n) + ".pdf";
}

void AddEntry(std::string& page, const SimDisclosure& entry)
{
    page += "<tr>\n";
    page += "<td class=\"kjTime\" noWrap>" + entry.time + "</td>\n";
    page += "<td class=\"kjCode\" noWrap>" + entry.code + "0</td>\n";
    page += "<td class=\"kjName\" noWrap>" + entry.name + "</td>\n";
    page += "<td class=\"kjTitle\" align=\"left\"><a href=\"" + entry.href + "\" target=\"_blank\">\n";
    page += "  " + entry.title + "\n";
    page += "</a></td>\n";
    page += "<td class=\"kjXbrl\" noWrap>";
    if (!entry.xbrl.empty())
        page += "<a href=\"" + entry.xbrl + "\" target=\"_blank\">XBRL</a>";
    page += "</td>\n";
    page += "<td class=\"kjPlace\" noWrap>東</td>\n";
    page += "</tr>\n";
}

} // namespace

bool ApplyListingOptions(ListingOptions& options, std::string_view segment)
{
    ListingOptions changed = options;
    while (!segment.empty()) {
        const std::size_t comma = segment.find(',');
        const std::string_view pair = segment.substr(0, comma);
        segment = comma == std::string_view::npos ? std::string_view() : segment.substr(comma + 1);
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos)
            return false;
        const std::string_view name = pair.substr(0, equals);
        const std::string_view value = pair.substr(equals + 1);
        if (name == "pages") {
            int pages = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), pages);
            if (error != std::errc() || end != value.data() + value.size() || pages < 0 || pages > 999)
                return false;
            changed.pages = pages;
        } else if (name == "slow" || name == "slowdoc") {
            int ms = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), ms);
            if (error != std::errc() || end != value.data() + value.size() || ms < 0 || ms > 60'000)
                return false;
            (name == "slow" ? changed.slowMs : changed.slowDocumentMs) = ms;
        } else if (name == "enc" && (value == "sjis" || value == "utf8")) {
            changed.encoding = value == "utf8" ? PageEncoding::Utf8 : PageEncoding::ShiftJis;
        } else if ((name == "hostile" || name == "big" || name == "xbrl") && (value == "0" || value == "1")) {
            (name == "hostile" ? changed.hostile : name == "big" ? changed.oversize : changed.xbrl) = value == "1";
        } else {
            return false;
        }
    }
    options = changed;
    return true;
}

std::vector<SimDisclosure> DisclosuresFor(const std::string& date, const ListingOptions& options)
{
    const int last = options.pages;
    std::vector<SimDisclosure> entries = {
        {1, "15:00", "7203", "トヨタ自動車", "2026年3月期 第2四半期決算短信〔日本基準〕（連結）", Href(date, 1)},
        {1, "15:00", "7203", "トヨタ自動車", "剰余金の配当（中間配当）に関するお知らせ", Href(date, 2)},
        {1, "13:30", "6758", "ソニーグループ", "株主総会資料_電子提供措置事項", Href(date, 3)},
        {2, "11:00", "9432", "日本電信電話", "訂正報告書（受付番号 S1234056）の提出に関するお知らせ", Href(date, 4)},
        {std::min(11, last), "16:00", "9984", "ソフトバンクグループ", "業績予想の修正に関するお知らせ", Href(date, 5)},
        {last, "17:30", "8306", "三菱ＵＦＪフィナンシャル・グループ", "自己株式の取得状況に関するお知らせ", Href(date, 6)},
    };
    if (options.xbrl) {
        const auto withXbrl = [&](SimDisclosure& entry, XbrlKind kind) {
            entry.xbrl = "X" + date + "-" + entry.code + ".zip";
            entry.xbrlKind = kind;
        };
        withXbrl(entries[0], XbrlKind::QuarterlyJapaneseGaap);
        withXbrl(entries[4], XbrlKind::Revision);
        const struct {
            const char* code;
            const char* name;
            const char* title;
            XbrlKind kind;
        } releases[] = {
            {"6758", "ソニーグループ", "2026年3月期 決算短信〔IFRS〕（連結）", XbrlKind::Ifrs},
            {"9432", "日本電信電話", "2026年3月期 決算短信〔日本基準〕（連結）", XbrlKind::AnnualJapaneseGaap},
            {"8306", "三菱ＵＦＪフィナンシャル・グループ", "2026年3月期 第3四半期決算短信〔日本基準〕（非連結）", XbrlKind::NonConsolidated},
            {"4755", "楽天グループ", "2026年12月期 決算短信〔日本基準〕（連結）", XbrlKind::Loss},
            {"6502", "東芝", "2027年3月期 第1四半期決算短信〔日本基準〕（連結）", XbrlKind::NilFact},
            {"7751", "キヤノン", "2026年12月期 決算短信〔日本基準〕（連結）", XbrlKind::RangeForecast},
            {"6501", "日立製作所", "2026年3月期 決算短信〔IFRS〕（連結）", XbrlKind::BrokenZip},
        };
        int n = 10;
        for (const auto& release : releases) {
            entries.push_back({1, "14:00", release.code, release.name, release.title, Href(date, n++)});
            withXbrl(entries.back(), release.kind);
        }
    }
    if (options.hostile) {
        const char* hrefs[] = {"../../../escape1.pdf", "/abs/escape2.pdf", "..\\..\\escape3.pdf", "sub/dir/doc4.pdf", ""};
        int minute = 0;
        for (const char* href : hrefs) {
            const std::string time = "09:0" + std::to_string(minute++);
            entries.push_back({1, time, "7974", "任天堂", "リンク試験 " + time, href});
        }
    }
    return entries;
}

std::string RenderListingPageUtf8(const std::string& date, int page, const ListingOptions& options)
{
    if (page < 1 || page > options.pages)
        return {};
    std::string text = "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    text += CharsetName(options.encoding);
    text += "\">\n<title>適時開示情報閲覧サービス</title>\n</head>\n<body>\n";
    text += "<div id=\"kaiji-date\">" + date.substr(0, 4) + "年" + date.substr(4, 2) + "月" + date.substr(6, 2)
            + "日に開示された情報 " + std::to_string(page) + "ページ目</div>\n";
    text += "<table id=\"main-list-table\">\n";
    for (int i = 0; i < kFillersPerPage; ++i) {
        const Filler& filler = kFillers[static_cast<std::size_t>(page + i) % kFillers.size()];
        const std::string time = (i < 1 ? "08:" : "12:") + std::to_string(10 + page % 50);
        AddEntry(text, {page, time, filler.code, filler.name, filler.title, "F" + date + "-" + std::to_string(page * 10 + i) + ".pdf"});
    }
    for (const SimDisclosure& entry : DisclosuresFor(date, options)) {
        if (entry.page == page)
            AddEntry(text, entry);
    }
    text += "</table>\n";
    if (options.oversize && page == 1)
        text += "<!-- " + std::string(kOversizeBytes, 'x') + " -->\n";
    text += "</body>\n</html>\n";
    return text;
}

std::string RenderDisclosurePortalUtf8()
{
    return "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
           "<title>適時開示情報 - 株価シミュレーター</title>\n</head>\n<body>\n<h1>適時開示情報</h1>\n"
           "<p>上場会社の適時開示は日付ごとの一覧でご覧いただけます。</p>\n</body>\n</html>\n";
}

std::string XbrlZipFor(const std::string& date, const std::string& code, const ListingOptions& options)
{
    for (const SimDisclosure& entry : DisclosuresFor(date, options)) {
        if (entry.code == code && !entry.xbrl.empty())
            return BuildXbrlZip(entry.xbrlKind, code, date);
    }
    return {};
}

std::string RenderDocument(std::string_view path)
{
    return "%PDF-1.4\n% Zelmora market simulator document\n% " + std::string(path) + "\n%%EOF\n";
}

} // namespace zelmora::sim
