// Writes every fuzz target's seed corpus into <folder>/<target>/, built the
// way the tests build their inputs: the market simulator's pages, the
// tests' page and file builders and the program's own defaults.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/disclosure/history_file.h"
#include "core/disclosure/listing_scan.h"
#include "core/links/link_template.h"
#include "core/settings/settings.h"
#include "core/text/texts.h"
#include "fuzz_input.h"
#include "market_simulator_disclosures.h"
#include "market_simulator_pages.h"
#include "market_simulator_xbrl.h"
#include "support/page_builders.h"

using namespace zelmora;
using Seeds = std::vector<std::string>;

namespace {

const LocalTime kTradingHour{2026, 12, 7, 10, 15, 0, 1};
const std::string kDate = "20261207";

// A seed of several parts, as fuzz::SplitParts reads it.
std::string Parts(std::initializer_list<std::string> parts)
{
    std::string joined;
    for (const std::string& part : parts) {
        if (&part != parts.begin())
            joined += fuzz::kPartSeparator;
        joined += part;
    }
    return joined;
}

std::string Lines(const std::vector<std::string>& lines, const char* end = "\r\n")
{
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

std::string QuotePage(const char* symbol, sim::PageEncoding encoding, sim::PageOptions options = {})
{
    options.encoding = encoding;
    return sim::EncodePage(sim::RenderQuotePageUtf8(symbol, kTradingHour, options), encoding);
}

std::string ListingPage(int page, sim::ListingOptions options)
{
    return sim::EncodePage(sim::RenderListingPageUtf8(kDate, page, options), options.encoding);
}

std::vector<std::string> DefaultRuleTexts()
{
    std::vector<std::string> rules;
    for (texts::Id id : {texts::RuleKey, texts::RuleName, texts::RuleTime, texts::RulePrice, texts::RuleChange,
                         texts::RuleRate, texts::RuleVolume})
        rules.push_back(texts::Sjis(id));
    return rules;
}

Seeds SettingsSeeds()
{
    ProfileFile saved;
    SaveSettings(saved, Settings(), {{"7203", S("東証"), S("メモ")}, {"998407", "", ""}});
    return {
        "",
        saved.Serialize(),
        SjisCrlfFile("; 設定\n[MEIGARA_DATA]\nNUM0=7203\nSIJOU0=東証\nMESSAGE0=\"買い\"\nKOSUU=1\nSELECTEDITEM=0\n"
                     "[LINK_JOUHOU]\nkey=[key]_<tr>\nmeigaramei=\"[銘柄名]_<b>_</b>\"\nBASE_URL=http://kabu.example/q?s=銘柄.市場\n"
                     "TOSYOU=T\n[SPECIALKEY]\nORVEKSENYOU=1\nKABUKAMAIL=1\nKABUKAUPDATETIME=300\nSMTP=smtps://mail.example.jp\n"
                     "ADDRESS=me@example.jp\nTEKIJI_URL=http://127.0.0.1:8/inbs\n[他のソフト]\nA=あ\n"),
    };
}

Seeds EncodingSeeds()
{
    return {
        S("トヨタ自動車 15:00 5,120 ｶﾀｶﾅ"),
        "トヨタ自動車 15:00 5,120 ｶﾀｶﾅ",
        sim::EncodePage("トヨタ自動車 15:00 5,120 ｶﾀｶﾅ", sim::PageEncoding::EucJp),
        "\x1b$B%H%h%?<+F0<V\x1b(B 15:00 \x1b(I6@6E\x1b(B",
        "caf\xe9 na\xefve \x93quoted\x94",
        QuotePage("7203.t", sim::PageEncoding::EucJp),
    };
}

Seeds QuotePageSeeds()
{
    const std::string rules = Lines(DefaultRuleTexts(), "\n");
    const std::string letters = "[k]_#\n[n]_N=_;\n[t]_T=_;\n[p]_P=_;\n[c]_C=_;\n[r]_R=_;\n[v]_V=_;\n";
    return {
        Parts({rules, "", QuotePage("7203.t", sim::PageEncoding::ShiftJis)}),
        Parts({rules, "\x01\x10\xff", QuotePage("6758.t", sim::PageEncoding::Utf8)}),
        Parts({rules, "\x07", QuotePage("998407", sim::PageEncoding::EucJp)}),
        Parts({rules, "", QuotePage("7203.t", sim::PageEncoding::ShiftJis, {.missingPrice = true, .noAnchor = true})}),
        Parts({rules, "", QuoteTable({}) + QuoteTable({.name = "ACME", .time = "--:--", .change = "-15"})}),
        Parts({letters, "", "#N=a;T=15:00;P=1;C=2;R=+3;V=4; Shift_JIS"}),
    };
}

Seeds MarkerRuleSeeds()
{
    Seeds seeds = DefaultRuleTexts();
    seeds.insert(seeds.end(), {"", "no separator", "[x]_prefix", "[x]_a_b_c", S("[銘柄]_ソ_表")});
    return seeds;
}

Seeds ListingScanSeeds()
{
    const std::string keys = Lines({"72030", "67580", "94320", "99840", "83060", "79740"}, "\n");
    const std::string title = S("決算短信_連結");
    return {
        Parts({keys, ListingPage(1, {})}),
        Parts({keys, ListingPage(2, {.encoding = sim::PageEncoding::Utf8})}),
        Parts({keys, ListingPage(1, {.hostile = true})}),
        Parts({keys, ListingPage(1, {.xbrl = true})}),
        Parts({"72030", ListingEntry("15:00", "72030", "a.pdf", title) + ListingEntry("15:30", "987203012", "b.pdf", "B")}),
    };
}

Seeds HistorySeeds()
{
    const std::string base = "https://www.release.tdnet.info/inbs/";
    const ListingHit hit{0, "15:00", "140120261207.pdf", S("決算短信_連結")};
    return {
        Lines({EntryText(hit) + "_" + base + hit.href, S("10:00 お知らせ _") + base + "a.pdf"}),
        Lines({"10:00 A _http://h/inbs/A.PDF", "", "10:00 a _x", "no separator"}, "\n"),
        "10:00 A _x\r\r\n\r\n10:00 B",
    };
}

Seeds DocumentPathSeeds()
{
    Seeds seeds = {Parts({kDate, "7203", "140120261207.pdf"}), Parts({kDate, "7203", "sub/dir/a.PDF"}),
                   Parts({kDate, "7203", "http://h/inbs/a.xbrl"})};
    for (const sim::SimDisclosure& entry : sim::DisclosuresFor(kDate, {.hostile = true}))
        seeds.push_back(Parts({kDate, entry.code, entry.href}));
    return seeds;
}

Seeds LinkListSeeds()
{
    return {
        Parts({"7203", "t", Lines(DefaultStockLinks())}),
        Parts({"998407", "t", Lines(DefaultIndexLinks())}),
        Parts({"7203", "q", S("ダウ _http://x/?c=銘柄.市場\n\nno separator\r\n日経_http://y/")}),
    };
}

Seeds MailMessageSeeds()
{
    return {
        Parts({"Zelmora", "me@example.jp", "7203", "smtps://mail.example.jp", "15:00 決算短信 "}),
        Parts({"株価", "me@example.jp", "10:15", "mail.example.jp:587", "7203 5,120 -15▼ \n6758 3,000 +5△ \n"}),
        Parts({"", "a@b", "", "[::1]:2525", ""}),
    };
}

// Each layout of the simulator's page with the values its quote shows.
Seeds RuleLearnerSeeds()
{
    Seeds seeds;
    for (const auto layout : {sim::PageLayout::Table, sim::PageLayout::List, sim::PageLayout::Json}) {
        for (const auto encoding : {sim::PageEncoding::ShiftJis, sim::PageEncoding::Utf8}) {
            const sim::SimQuote quote = *sim::QuoteFor("7203.t", kTradingHour);
            const std::string page = QuotePage("7203.t", encoding, {.layout = layout});
            seeds.push_back(Parts({S(quote.name.c_str()), quote.time, quote.price, quote.change, quote.rate, quote.volume, page}));
        }
    }
    return seeds;
}

Seeds DayRecordSeeds()
{
    return {
        "09:00,2905,37,1234500\r\n09:01,2906,38,\r\n",
        "10:31,38123.45,-1012.5,\r\n10:3\r\n10:32,38120,-1015.95,0\r\n10:33,1",
    };
}

Seeds TrayTextsSeeds()
{
    const std::string falling = texts::Sjis(texts::TrendFalling);
    return {
        Parts({"7203", S("トヨタ自動車"), "15:00", "5,120", "-15", falling, ""}),
        Parts({"6758", S("ソニーグループ株式会社の長い長い名前"), "15:00", "13,120", "+1,215", texts::Sjis(texts::TrendRising),
               "10:00 news "}),
        Parts({"998407", S("日経平均"), "15:15", "38,123.45", "-120.35", falling, ""}),
    };
}

} // namespace

// Each kind of release as its ZIP and as its summary alone.
Seeds XbrlSeeds()
{
    Seeds seeds;
    for (const sim::XbrlKind kind : sim::kAllXbrlKinds) {
        seeds.push_back(sim::BuildXbrlZip(kind, "7203", kDate));
        seeds.push_back(sim::RenderXbrlSummary(kind, "7203"));
    }
    return seeds;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::map<std::string, Seeds> corpora = {
        {"settings_fuzz", SettingsSeeds()},       {"encoding_fuzz", EncodingSeeds()},
        {"quote_page_fuzz", QuotePageSeeds()},    {"marker_rule_fuzz", MarkerRuleSeeds()},
        {"listing_scan_fuzz", ListingScanSeeds()}, {"history_fuzz", HistorySeeds()},
        {"document_path_fuzz", DocumentPathSeeds()}, {"link_list_fuzz", LinkListSeeds()},
        {"mail_message_fuzz", MailMessageSeeds()}, {"tray_texts_fuzz", TrayTextsSeeds()},
        {"rule_learner_fuzz", RuleLearnerSeeds()}, {"xbrl_fuzz", XbrlSeeds()},
        {"day_record_fuzz", DayRecordSeeds()},
    };
    for (const auto& [target, seeds] : corpora) {
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / target;
        std::filesystem::create_directories(folder);
        for (std::size_t i = 0; i < seeds.size(); ++i)
            std::ofstream(folder / ("seed-" + std::to_string(i)), std::ios::binary) << seeds[i];
    }
    return 0;
}
