#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/quotes/quote_record.h"
#include "core/settings/settings.h"
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

// A page whose table stands on line 151, the first line of the window.
std::string Page(const std::string& table)
{
    std::string page;
    for (int line = 1; line <= 150; ++line)
        page += "<p>line " + std::to_string(line) + "</p>\n";
    return page + table + "<p>after</p>\n";
}

class TempDir {
public:
    TempDir() : m_path(fs::temp_directory_path() / ("zelmora-rules-test-" + std::to_string(::getpid())))
    {
        fs::create_directories(m_path);
    }
    ~TempDir() { fs::remove_all(m_path); }

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const fs::path file = m_path / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
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

bool OneLine(const std::string& text)
{
    return !text.empty() && text.find('\n') == text.size() - 1;
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

    EXPECT_EQ(ParseRulesArgs({"--file", "p.html"}).options->source, RulesOptions::Source::File);
    EXPECT_EQ(ParseRulesArgs({"--window", "w.bin"}).options->source, RulesOptions::Source::Window);
    EXPECT_EQ(ParseRulesArgs({"--convert", "c.txt"}).options->source, RulesOptions::Source::Convert);
    // An index code has no market; a 4-byte Shift_JIS code typed in UTF-8 is a stock.
    EXPECT_TRUE(ParseRulesArgs({"--code", "998407"}).options);
    EXPECT_TRUE(ParseRulesArgs({"--code", "市場"}).options);
}

TEST(ParseRulesArgs, UnusableArgumentsGiveAnError)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--raw"},
        {"--url"},
        {"--url", "--raw"},
        {"--url="},
        {"--url", "a", "--file", "b"},
        {"--file", "a", "--file", "b"},
        {"--ini", "a", "--ini", "b", "--url", "u"},
        {"--bogus", "x"},
        {"--url", "u", "extra"},
        {"--file", "p", "--market", "t"},
        {"--convert", "c", "--raw"},
        {"--convert", "c", "--ini", "a.ini"},
        {"--code", "123"},
        {"--raw=1", "--url", "u"},
    };
    for (const auto& args : bad) {
        const ParsedArgs parsed = ParseRulesArgs(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_FALSE(parsed.options) << joined;
        EXPECT_FALSE(parsed.error.empty()) << joined;
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << joined;
    }
}

TEST(ParseRulesArgs, HelpWinsOverEverythingElse)
{
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
    report.rules = Settings().m_markerRules;
    report.outcome.kind = FetchOutcome::Ok;
    report.outcome.window = kTable;
    report.record = ExtractQuoteRecord(kTable, report.rules);
    const std::string text = FormatReport(report);

    EXPECT_NE(text.find("source:  saved.html\n"), std::string::npos) << text;
    EXPECT_NE(text.find("rules:   built-in\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"[銘柄名]\" prefix \"align=absmiddle><b>\" suffix \"&nbsp;</b>\""), std::string::npos)
        << text;
    EXPECT_NE(text.find("outcome: Ok\n"), std::string::npos) << text;
    EXPECT_NE(text.find("window:  " + std::to_string(kTable.size()) + " bytes, no Shift_JIS mention"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("record:  \"トヨタ自動車_15:00_5,120_+15_+0.29%_8,123,400_\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("name:    \"トヨタ自動車\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("change:  \"+15\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("volume:  \"8,123,400\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("quote:   usable (price 5)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("trend:   \"△ \"\n"), std::string::npos) << text;
}

TEST(FormatReport, HttpStatusAndFailure)
{
    RulesReport status;
    status.source = "http://127.0.0.1:1/q";
    status.outcome.kind = FetchOutcome::HttpStatus;
    status.outcome.status = "404";
    status.record = "404";
    const std::string text = FormatReport(status);
    EXPECT_NE(text.find("outcome: HttpStatus 404\n"), std::string::npos) << text;
    EXPECT_NE(text.find("window:  none\n"), std::string::npos) << text;
    EXPECT_NE(text.find("record:  \"404\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("price:   \"\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("quote:   not usable (price 0)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("trend:   \"－ \"\n"), std::string::npos) << text;

    RulesReport failed;
    failed.outcome.kind = FetchOutcome::Failed;
    const std::string failedText = FormatReport(failed);
    EXPECT_NE(failedText.find("outcome: Failed\n"), std::string::npos) << failedText;
    EXPECT_NE(failedText.find("record:  (empty)\n"), std::string::npos) << failedText;
}

TEST(FormatReport, ControlCharactersFromThePageAreEscaped)
{
    RulesReport report;
    report.source = "evil\x1b]0;title\x07";
    report.outcome.kind = FetchOutcome::Ok;
    report.outcome.window = "x";
    report.record = "\x1b[31mred\r_\x80\x9b_";
    const std::string text = FormatReport(report);
    EXPECT_NE(text.find("\\x1B[31mred\\x0D"), std::string::npos) << text;
    EXPECT_NE(text.find("evil\\x1B]0;title\\x07"), std::string::npos) << text;
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

TEST(RunRules, WindowAndFileGiveTheProgramsRecord)
{
    TempDir dir;
    const std::string page = Page(kTable);
    const std::string expected = ExtractQuoteRecord(kTable + "<p>after</p>\n", Settings().m_markerRules);
    ASSERT_EQ(SplitQuoteRecord(expected)[QuotePrice], "5,120");

    const RunResult window = RunWith({"--window", dir.Write("w.bin", kTable), "--raw"});
    EXPECT_EQ(window.status, kExitOk);
    EXPECT_EQ(window.out, ExtractQuoteRecord(kTable, Settings().m_markerRules));
    EXPECT_EQ(window.err, "");

    const RunResult file = RunWith({"--file", dir.Write("page.html", page), "--raw"});
    EXPECT_EQ(file.status, kExitOk);
    EXPECT_EQ(file.out, expected);

    // A table on line 1 is outside the window.
    const RunResult early = RunWith({"--file", dir.Write("early.html", kTable + Page(""))});
    EXPECT_EQ(early.status, kExitOk);
    EXPECT_NE(early.out.find("record:  (empty)"), std::string::npos) << early.out;

    const RunResult report = RunWith({"--file", dir.Path("page.html")});
    EXPECT_EQ(report.status, kExitOk);
    EXPECT_NE(report.out.find("outcome: Ok\n"), std::string::npos);
    EXPECT_NE(report.out.find("name:    \"トヨタ自動車\"\n"), std::string::npos) << report.out;
}

TEST(RunRules, RulesComeFromTheSettingsFile)
{
    TempDir dir;
    // A price rule of its own; the other rules stay the built-in ones.
    const std::string ini =
        S("[LINK_JOUHOU]\r\ngenzaiti=[現在値]_<td nowrap align=center>_</td>\r\n");
    const std::string iniPath = dir.Write("base_data.ini", ini);
    const RunResult run = RunWith({"--ini", iniPath, "--window", dir.Write("w.bin", kTable), "--raw"});
    EXPECT_EQ(run.status, kExitOk);
    MarkerRules rules = Settings().m_markerRules;
    rules[RulePrice] = ParseMarkerRule(S("[現在値]_<td nowrap align=center>_</td>"), false);
    EXPECT_EQ(run.out, ExtractQuoteRecord(kTable, rules));
    EXPECT_NE(run.out, ExtractQuoteRecord(kTable, Settings().m_markerRules));

    const RunResult shown = RunWith({"--ini", iniPath, "--window", dir.Path("w.bin")});
    EXPECT_NE(shown.out.find("rules:   " + iniPath + "\n"), std::string::npos) << shown.out;
}

TEST(RunRules, ConvertWritesBytesAndScore)
{
    TempDir dir;
    const std::string euc = "\xC6\xFC\xCB\xDC\xC5\xC5\xBF\xAE\xC5\xC5\xCF\xC3"; // 日本電信電話
    const RunResult run = RunWith({"--convert", dir.Write("euc.txt", euc)});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, S("日本電信電話"));
    EXPECT_EQ(run.err, "score 6\n");
}

TEST(RunRules, UnreadableFilesAndBadArgumentsExitWithTwo)
{
    TempDir dir;
    const std::string missing = dir.Path("missing.html");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--file", missing},
             {"--window", missing},
             {"--convert", missing},
             {"--window", dir.Path("")}, // a directory
             {"--ini", missing, "--window", dir.Write("w.bin", kTable)},
             {"--bogus"},
             {"--url"},
         }) {
        const RunResult run = RunWith(args);
        EXPECT_EQ(run.status, kExitUsage) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_TRUE(OneLine(run.err)) << run.err;
        EXPECT_TRUE(run.err.starts_with("zelmora-rules: ")) << run.err;
    }

    const RunResult help = RunWith({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_TRUE(help.out.starts_with("Usage: zelmora-rules")) << help.out;
}
