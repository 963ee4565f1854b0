#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/quotes/quote_record.h"
#include "core/settings/settings.h"
#include "market_simulator_xbrl.h"
#include "rules/rules_cli.h"
#include "support/sjis_literals.h"

using namespace zelmora;
using namespace zelmora::rules;
namespace fs = std::filesystem;

namespace {

const std::string kTable = "<table><tr><th>x</th></tr></tr><tr align=right><td><img align=absmiddle><b>" +
                           S("トヨタ自動車") +
                           "&nbsp;</b></td><td nowrap align=center>15:00</td><td nowrap><b>5,120</b></td>"
                           "<td nowrap>+15</td><td nowrap>+0.29%</td>"
                           "<td nowrap>8,123,400</td></tr></table>\n";

class TempDir {
public:
    TempDir() : m_path(fs::temp_directory_path() / ("zelmora-rules-test-" + std::to_string(::getpid())))
    {
        fs::create_directories(m_path);
    }
    ~TempDir() { fs::remove_all(m_path); }

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
        return Path(name);
    }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

RunResult RunWith(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunRules(args, out, err);
    return {status, out.str(), err.str()};
}

void ExpectLines(const std::string& text, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        EXPECT_NE(text.find(line), std::string::npos) << "no \"" << line << "\" in\n" << text;
}

} // namespace

// ---------------------------------------------------------------- arguments

TEST(ParseRulesArgs, EachSourceWithItsOptions)
{
    const ParsedArgs url = ParseRulesArgs({"--ini", "a.ini", "--url", "http://127.0.0.1:1/q", "--raw"});
    ASSERT_TRUE(url.options) << url.error;
    EXPECT_EQ(url.options->source, RulesOptions::Source::Url);
    EXPECT_EQ(url.options->argument, "http://127.0.0.1:1/q");
    EXPECT_EQ(url.options->iniPath, "a.ini");
    EXPECT_TRUE(url.options->raw);

    const ParsedArgs code = ParseRulesArgs({"--code=7203", "--market", "q"});
    ASSERT_TRUE(code.options) << code.error;
    EXPECT_EQ(code.options->source, RulesOptions::Source::Code);
    EXPECT_EQ(code.options->argument, "7203");
    EXPECT_EQ(code.options->market, "q");
    EXPECT_FALSE(code.options->raw);

    // An index code has no market; a 4-byte Shift_JIS code typed in UTF-8 is a stock.
    for (const auto& [args, source] : std::vector<std::pair<std::vector<std::string>, RulesOptions::Source>>{
             {{"--file", "p.html"}, RulesOptions::Source::File},
             {{"--window", "w.bin"}, RulesOptions::Source::Window},
             {{"--convert", "c.txt"}, RulesOptions::Source::Convert},
             {{"--code", "998407"}, RulesOptions::Source::Code},
             {{"--code", "市場"}, RulesOptions::Source::Code}}) {
        const ParsedArgs parsed = ParseRulesArgs(args);
        ASSERT_TRUE(parsed.options) << args[0] << " " << args[1] << ": " << parsed.error;
        EXPECT_EQ(parsed.options->source, source) << args[0];
    }
}

TEST(ParseRulesArgs, LearnTakesTheValuesAsTyped)
{
    const ParsedArgs learn =
        ParseRulesArgs({"--learn", "p.html", "--name", "トヨタ自動車", "--change", "-230", "--rate=-1.81%", "--ini", "a.ini"});
    ASSERT_TRUE(learn.options) << learn.error;
    EXPECT_EQ(learn.options->source, RulesOptions::Source::Learn);
    EXPECT_EQ(learn.options->argument, "p.html");
    EXPECT_EQ(learn.options->seen, (std::array<std::optional<std::string>, QuoteValueCount>{
                                       "トヨタ自動車", std::nullopt, std::nullopt, "-230", "-1.81%", std::nullopt}));
}

TEST(ParseRulesArgs, UnusableArgumentsGiveAOneLineError)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--learn", "p.html"}, {"--file", "p.html", "--price", "1"}, {"--learn", "p", "--price", "1", "--raw"},
        {"--learn", "p", "--price", "1", "--price", "2"}, {"--learn", "p", "--price"}, {"--learn", "p", "--price="},
        {}, {"--raw"}, {"--url"}, {"--url", "--raw"}, {"--url="}, {"--url", "a", "--file", "b"}, {"--file", "a", "--file", "b"},
        {"--ini", "a", "--ini", "b", "--url", "u"}, {"--bogus", "x"}, {"--url", "u", "extra"}, {"--file", "p", "--market", "t"},
        {"--convert", "c", "--raw"}, {"--convert", "c", "--ini", "a.ini"}, {"--code", "123"}, {"--raw=1", "--url", "u"},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const ParsedArgs parsed = ParseRulesArgs(args);
        EXPECT_FALSE(parsed.options);
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
    // Help wins over everything else.
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"--bogus", "--help"}}) {
        const ParsedArgs parsed = ParseRulesArgs(args);
        ASSERT_TRUE(parsed.options);
        EXPECT_TRUE(parsed.options->help);
    }
}

// ---------------------------------------------------------------- report

TEST(FormatReport, ShowsOutcomeWindowRecordValuesAndMarks)
{
    RulesReport report;
    report.source = "saved.html";
    report.rules = Settings().markerRules;
    report.outcome.kind = FetchOutcome::Ok;
    report.outcome.window = kTable;
    report.record = ExtractQuoteRecord(kTable, report.rules);
    ExpectLines(FormatReport(report),
                {"source:  saved.html\n", "rules:   built-in\n",
                 "\"[銘柄名]\" prefix \"align=absmiddle><b>\" suffix \"&nbsp;</b>\"", "outcome: Ok\n",
                 "window:  " + std::to_string(kTable.size()) + " bytes, no Shift_JIS mention",
                 "record:  \"トヨタ自動車_15:00_5,120_+15_+0.29%_8,123,400_\"\n", "name:    \"トヨタ自動車\"\n",
                 "change:  \"+15\"\n", "volume:  \"8,123,400\"\n", "quote:   usable (price 5)\n", "trend:   \"△ \"\n"});
}

TEST(FormatReport, HttpStatusAndFailure)
{
    RulesReport status;
    status.source = "http://127.0.0.1:1/q";
    status.outcome.kind = FetchOutcome::HttpStatus;
    status.outcome.status = "404";
    status.record = "404";
    ExpectLines(FormatReport(status), {"outcome: HttpStatus 404\n", "window:  none\n", "record:  \"404\"\n",
                                       "price:   \"\"\n", "quote:   not usable (price 0)\n", "trend:   \"－ \"\n"});

    RulesReport failed;
    failed.outcome.kind = FetchOutcome::Failed;
    ExpectLines(FormatReport(failed), {"outcome: Failed\n", "record:  (empty)\n"});
}

TEST(FormatReport, ControlCharactersFromThePageAreEscaped)
{
    RulesReport report;
    report.source = "evil\x1b]0;title\x07";
    report.outcome.kind = FetchOutcome::Ok;
    report.outcome.window = "x";
    report.record = "\x1b[31mred\r_\x80\x9b_";
    const std::string text = FormatReport(report);
    ExpectLines(text, {"\\x1B[31mred\\x0D", "evil\\x1B]0;title\\x07"});
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        EXPECT_FALSE(c < 0x20 && c != '\n') << "control byte at " << i;
        EXPECT_NE(c, 0x7F);
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            EXPECT_FALSE(next >= 0x80 && next <= 0x9F) << "C1 control at " << i;
        }
    }
}

// ---------------------------------------------------------------- whole runs

namespace {

// A saved quote page, UTF-8, whose quote list starts at line `listLine`
// of 280 one-piece lines.
std::string SavedPage(const std::string& name, const std::string& price, const std::string& change, int listLine = 160)
{
    std::string page;
    for (int line = 1; line < listLine; ++line)
        page += "<p>line " + std::to_string(line) + "</p>\n";
    page += "<dl class=\"q\">\n<dt>銘柄</dt><dd class=\"name\">" + name + "</dd>\n<dt>時刻</dt><dd>15:00</dd>\n"
            "<dt>現在値</dt><dd class=\"price\">" + price + "</dd>\n<dt>前日比</dt><dd>" + change +
            "</dd>\n<dt>騰落率</dt><dd>+0.42%</dd>\n<dt>出来高</dt><dd>12,345,600</dd>\n</dl>\n";
    for (int line = listLine + 8; line <= 280; ++line)
        page += "<p>line " + std::to_string(line) + "</p>\n";
    return page;
}

std::vector<std::string> LearnArgs(const std::string& path)
{
    return {"--learn", path, "--name", "トヨタ自動車", "--time", "15:00", "--price", "2,845",
            "--change", "+12", "--rate", "+0.42%", "--volume", "12,345,600"};
}

} // namespace

TEST(RunRules, LearnWritesTheLinesToPasteAndTheFileThenReadsOtherPages)
{
    TempDir dir;
    const RunResult learned = RunWith(LearnArgs(dir.Write("saved.html", SavedPage("トヨタ自動車", "2,845", "+12"))));
    EXPECT_EQ(learned.status, kExitOk) << learned.err;
    EXPECT_EQ(learned.err, "");
    EXPECT_EQ(learned.out, S("key=[key]_class=\"q\">\r\n"
                             "meigaramei=[銘柄名]_<dd class=\"name\">_</dd>\r\n"
                             "time=[時間]_<dd>_</dd>\r\n"
                             "genzaiti=[現在値]_<dd class=\"price\">_</dd>\r\n"
                             "zenjitusa=[前日差]_<dd>_</dd>\r\n"
                             "sawariai=[差割合]_<dd>_</dd>\r\n"
                             "dekidaka=[出来高]_<dd>_</dd>\r\n"));

    // Pasted into [LINK_JOUHOU], the lines read another page of the layout.
    const std::string ini = dir.Write("base_data.ini", "[LINK_JOUHOU]\r\n" + learned.out);
    const RunResult other = RunWith({"--ini", ini, "--file", dir.Write("other.html", SavedPage("ｿﾆｰ", "980", "-230")), "--raw"});
    EXPECT_EQ(other.status, kExitOk);
    EXPECT_EQ(other.out, S("ｿﾆｰ_15:00_980_-230_+0.42%_12,345,600_"));
}

TEST(RunRules, LearnProposesAWindowThatTheFileThenHonours)
{
    TempDir dir;
    const std::string early = dir.Write("early.html", SavedPage("トヨタ自動車", "2,845", "+12", 30));
    const RunResult learned = RunWith(LearnArgs(early));
    EXPECT_EQ(learned.status, kExitOk) << learned.err;
    // The list's anchor on line 30, the volume on 36.
    EXPECT_TRUE(learned.out.ends_with("dekidaka=" + S("[出来高]_<dd>_</dd>") + "\r\nWINDOW_PIECES=20-46\r\n")) << learned.out;

    const std::string ini = dir.Write("base_data.ini", "[LINK_JOUHOU]\r\n" + learned.out);
    EXPECT_EQ(RunWith({"--ini", ini, "--file", early, "--raw"}).out, S("トヨタ自動車_15:00_2,845_+12_+0.42%_12,345,600_"));
    // Without the window line the rules look at pieces 151-201, where nothing stands.
    const std::string rulesOnly = learned.out.substr(0, learned.out.find("WINDOW_PIECES"));
    EXPECT_EQ(RunWith({"--ini", dir.Write("rules.ini", "[LINK_JOUHOU]\r\n" + rulesOnly), "--file", early, "--raw"}).out, "");
}

TEST(RunRules, LearnSaysWhichValueItCouldNotLearnAndWhy)
{
    TempDir dir;
    std::vector<std::string> args = LearnArgs(dir.Write("saved.html", SavedPage("トヨタ自動車", "2,845", "+12")));
    args[7] = "9,999";    // --price
    args[13] = "1,000,000"; // --volume
    const RunResult run = RunWith(args);
    EXPECT_EQ(run.status, kExitNotLearned);
    EXPECT_EQ(run.err, "zelmora-rules: price \"9,999\" is not on the page\n"
                       "zelmora-rules: volume \"1,000,000\" is not on the page\n");
    // The lines are still written; the values not learned read nodata.
    EXPECT_NE(run.out.find(S("genzaiti=[現在値]_<nodata>_")), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(S("dekidaka=[出来高]_<nodata>_<nodata>\r\n")), std::string::npos) << run.out;
    const std::string ini = dir.Write("base_data.ini", "[LINK_JOUHOU]\r\n" + run.out);
    EXPECT_EQ(RunWith({"--ini", ini, "--file", dir.Path("saved.html"), "--raw"}).out,
              S("トヨタ自動車_15:00_nodata_+12_+0.42%_nodata_"));

    EXPECT_EQ(RunWith({"--learn", dir.Path("missing.html"), "--price", "1"}).status, kExitUsage);
}

TEST(RunRules, RawRecordUsesTheRulesOfTheSettingsFile)
{
    TempDir dir;
    const std::string window = dir.Write("w.bin", kTable);
    const RunResult builtIn = RunWith({"--window", window, "--raw"});
    EXPECT_EQ(builtIn.status, kExitOk);
    EXPECT_EQ(builtIn.out, ExtractQuoteRecord(kTable, Settings().markerRules));
    EXPECT_EQ(builtIn.err, "");

    // A price rule of its own; the other rules stay the built-in ones.
    const std::string iniPath = dir.Write("base_data.ini", S("[LINK_JOUHOU]\r\ngenzaiti=[現在値]_<td nowrap align=center>_</td>\r\n"));
    const RunResult run = RunWith({"--ini", iniPath, "--window", window, "--raw"});
    EXPECT_EQ(run.status, kExitOk);
    MarkerRules rules = Settings().markerRules;
    rules[RulePrice] = ParseMarkerRule(S("[現在値]_<td nowrap align=center>_</td>"), false);
    EXPECT_EQ(run.out, ExtractQuoteRecord(kTable, rules));
    EXPECT_NE(run.out, builtIn.out);
    ExpectLines(RunWith({"--ini", iniPath, "--window", window}).out, {"rules:   " + iniPath + "\n"});

    // A file is cut to its window: a table on line 1 is outside it.
    std::string early = kTable;
    for (int line = 1; line <= 150; ++line)
        early += "<p>line " + std::to_string(line) + "</p>\n";
    const RunResult outside = RunWith({"--file", dir.Write("early.html", early)});
    EXPECT_EQ(outside.status, kExitOk);
    ExpectLines(outside.out, {"record:  (empty)"});
}

TEST(RunRules, UnreadableSourcesAndBadArgumentsExitWithTwo)
{
    TempDir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--window", dir.Path("missing.bin")}, {"--window", dir.Path("")} /* a directory */, {"--bogus"}, {"--url"}}) {
        const RunResult run = RunWith(args);
        EXPECT_EQ(run.status, kExitUsage) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_TRUE(run.err.starts_with("zelmora-rules: ") && run.err.find('\n') == run.err.size() - 1) << run.err;
    }
    const RunResult help = RunWith({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_TRUE(help.out.starts_with("Usage: zelmora-rules")) << help.out;
}

// --xbrl: the line on standard output, or nothing there and the reason on
// standard error; --facts lists each fact before the line.
TEST(RunRules, XbrlPrintsTheFiguresLineOrWhyThereIsNone)
{
    TempDir dir;
    const std::string zip = dir.Write("release.zip", sim::BuildXbrlZip(sim::XbrlKind::Revision, "9984", "20261207"));
    const RunResult run = RunWith({"--xbrl", zip});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, "通期予想修正 営業利益 1,200億円→1,500億円(+25.0%)\n");
    const RunResult facts = RunWith({"--xbrl", zip, "--facts"});
    EXPECT_EQ(facts.out.substr(0, facts.out.find('\n') + 1),
              "tse-ed-t:NetSales\tCurrentYearDuration_ConsolidatedMember_PreviousMember_ForecastMember\t2000000000000\n");
    EXPECT_TRUE(facts.out.ends_with("\n" + run.out));

    const RunResult broken = RunWith({"--xbrl", dir.Write("broken.zip", sim::BuildXbrlZip(sim::XbrlKind::BrokenZip, "6501", "20261207"))});
    EXPECT_EQ(broken.status, kExitNoFigures);
    EXPECT_EQ(broken.out, "");
    EXPECT_EQ(broken.err, "zelmora-rules: " + dir.Path("broken.zip") + ": not a ZIP archive: Not a zip archive\n");
    EXPECT_EQ(RunWith({"--xbrl", dir.Write("page.htm", "<html><body>決算短信</body></html>")}).status, kExitNoFigures);
    EXPECT_EQ(RunWith({"--xbrl", dir.Path("missing.zip")}).status, kExitUsage);
    EXPECT_EQ(RunWith({"--file", zip, "--facts"}).status, kExitUsage);
}
