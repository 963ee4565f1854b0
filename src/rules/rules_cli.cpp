#include "rules/rules_cli.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "core/platform/file_bytes.h"
#include "core/quotes/quote_record.h"
#include "core/quotes/page_window_cutter.h"
#include "core/quotes/quote_url.h"
#include "core/settings/profile_file.h"
#include "core/settings/settings.h"
#include "core/text/code_page.h"
#include "core/text/encoding_converter.h"
#include "core/text/sjis.h"
#include "core/xbrl/xbrl_reader.h"

namespace zelmora::rules {
namespace {

using Source = RulesOptions::Source;

constexpr const char* kProgram = "zelmora-rules";
constexpr std::size_t kStockCodeLength = 4;

struct SourceOption {
    const char* name;
    Source source;
};
constexpr SourceOption kSourceOptions[] = {
    {"--url", Source::Url},
    {"--code", Source::Code},
    {"--file", Source::File},
    {"--window", Source::Window},
    {"--convert", Source::Convert},
    {"--learn", Source::Learn},
    {"--xbrl", Source::Xbrl},
};

// The values --learn is given, in the order of the record.
constexpr std::array<const char*, QuoteValueCount> kValueOptions = {"--name", "--time", "--price", "--change", "--rate",
                                                                    "--volume"};
constexpr std::array<const char*, QuoteValueCount> kValueNames = {"name", "time", "price", "change", "rate", "volume"};

std::optional<std::size_t> ValueOption(const std::string& name)
{
    for (std::size_t v = 0; v < kValueOptions.size(); ++v) {
        if (name == kValueOptions[v])
            return v;
    }
    return std::nullopt;
}

const char* SourceName(Source source)
{
    for (const SourceOption& option : kSourceOptions) {
        if (option.source == source)
            return option.name;
    }
    return "";
}

ParsedArgs Fail(std::string error)
{
    return {std::nullopt, std::move(error)};
}

// Terminal control characters, C0 and C1, from a page must not reach the
// terminal as they are.
std::string EscapeControls(std::string_view utf8)
{
    std::string shown;
    shown.reserve(utf8.size());
    char hex[8];
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const bool c1 = c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        } else if (c1) {
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned char>(utf8[++i]));
            shown += hex;
        } else {
            shown += utf8[i];
        }
    }
    return shown;
}

std::string Quoted(std::string_view sjis)
{
    std::string quoted(1, '"');
    quoted.append(Printable(sjis)).push_back('"');
    return quoted;
}

std::string OutcomeText(const FetchOutcome& outcome)
{
    switch (outcome.kind) {
    case FetchOutcome::Ok:
        return "Ok";
    case FetchOutcome::HttpStatus:
        return "HttpStatus " + Printable(outcome.status);
    case FetchOutcome::Failed:
        break;
    }
    return "Failed";
}

std::string ReadError(const std::string& path)
{
    return std::string(kProgram) + ": cannot read " + EscapeControls(path) + "\n";
}

} // namespace

ParsedArgs ParseRulesArgs(const std::vector<std::string>& args)
{
    RulesOptions options;
    std::optional<Source> source;
    bool iniGiven = false;

    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return {options, {}};
        }
    }

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (name.starts_with("--")) {
            if (const std::size_t eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
            }
        }
        const auto takeValue = [&]() -> std::optional<std::string> {
            if (!value && i + 1 < args.size() && !args[i + 1].starts_with("--"))
                value = args[++i];
            if (!value || value->empty())
                return std::nullopt;
            return value;
        };

        if (name == "--raw" || name == "--facts") {
            if (value)
                return Fail(name + " takes no value");
            (name == "--raw" ? options.raw : options.facts) = true;
            continue;
        }
        if (name == "--ini" || name == "--market") {
            const bool given = name == "--ini" ? iniGiven : options.market.has_value();
            if (given)
                return Fail(name + " given twice");
            const auto v = takeValue();
            if (!v)
                return Fail(name + " needs a value");
            if (name == "--ini") {
                options.iniPath = *v;
                iniGiven = true;
            } else {
                options.market = *v;
            }
            continue;
        }
        if (const auto v = ValueOption(name)) {
            if (options.seen[*v])
                return Fail(name + " given twice");
            options.seen[*v] = takeValue();
            if (!options.seen[*v])
                return Fail(name + " needs a value");
            continue;
        }
        bool isSource = false;
        for (const SourceOption& option : kSourceOptions) {
            if (name != option.name)
                continue;
            isSource = true;
            if (source)
                return Fail(source == option.source ? name + " given twice"
                                                    : std::string(SourceName(*source)) + " and " + name +
                                                          " cannot be used together");
            const auto v = takeValue();
            if (!v)
                return Fail(name + " needs a value");
            source = option.source;
            options.argument = *v;
        }
        if (isSource)
            continue;
        if (name.starts_with("-"))
            return Fail("unknown option " + name);
        return Fail("unexpected argument " + name);
    }

    if (!source)
        return Fail("give one of --url, --code, --file, --window, --convert or --xbrl");
    options.source = *source;
    if (options.facts && options.source != Source::Xbrl)
        return Fail("--facts goes with --xbrl only");
    if (options.source == Source::Xbrl && (options.raw || iniGiven))
        return Fail("--xbrl takes no option but --facts");
    if (options.market && options.source != Source::Code)
        return Fail("--market goes with --code only");
    if (options.source == Source::Convert && (options.raw || iniGiven))
        return Fail("--convert takes no other option");
    if (options.source == Source::Code && Utf8ToSjis(options.argument).size() < kStockCodeLength)
        return Fail("codes shorter than 4 bytes are never looked up");
    const bool anyValue = std::any_of(options.seen.begin(), options.seen.end(), [](const auto& v) { return v.has_value(); });
    if (anyValue && options.source != Source::Learn)
        return Fail("--name, --time, --price, --change, --rate and --volume go with --learn only");
    if (options.source == Source::Learn && !anyValue)
        return Fail("--learn needs at least one of --name, --time, --price, --change, --rate or --volume");
    if (options.source == Source::Learn && options.raw)
        return Fail("--learn takes no --raw");
    return {options, {}};
}

std::string UsageText()
{
    return "Usage: zelmora-rules [--ini PATH] (--url URL | --code CODE [--market LETTER]\n"
           "                                   | --file PATH | --window PATH) [--raw]\n"
           "       zelmora-rules [--ini PATH] --learn PATH [--name TEXT] [--time TEXT]\n"
           "                     [--price TEXT] [--change TEXT] [--rate TEXT] [--volume TEXT]\n"
           "       zelmora-rules --convert PATH\n"
           "       zelmora-rules --xbrl PATH [--facts]\n"
           "       zelmora-rules --help\n"
           "\n"
           "Shows what Zelmora reads from a quote page with the marker rules of a\n"
           "settings file (base_data.ini) or with the built-in rules, or learns rules\n"
           "from a saved page and the values it shows.\n"
           "\n"
           "  --ini PATH       take the rules, BASE_URL and WINDOW_PIECES from this\n"
           "                   settings file\n"
           "  --url URL        fetch the page at URL as the program does\n"
           "  --code CODE      fetch the quote page of a stock (4 bytes) or index code,\n"
           "                   its address built from BASE_URL\n"
           "  --market LETTER  market letter for a stock code (default: the first\n"
           "                   market letter of the settings)\n"
           "  --file PATH      read a saved page and keep the pieces of its window\n"
           "                   (WINDOW_PIECES, 151-201 unless set)\n"
           "  --window PATH    take the file's bytes as the page window itself\n"
           "  --raw            write only the quote record's Shift_JIS bytes\n"
           "  --learn PATH     learn rules from a page saved by the browser: give the\n"
           "                   values it shows with --name ... --volume (any may be\n"
           "                   left out and then reads nodata); writes the lines for\n"
           "                   [LINK_JOUHOU] of base_data.ini in Shift_JIS with CRLF\n"
           "  --convert PATH   convert the file to Shift_JIS: the bytes on standard\n"
           "                   output, the score of the encoding chosen on standard error\n"
           "  --xbrl PATH      the key figures of an earnings release, from the\n"
           "                   exchange's XBRL ZIP or its summary (*-ixbrl.htm), in the\n"
           "                   line the notification and the mail show (UTF-8)\n"
           "  --facts          with --xbrl: before the line, every fact read, one per\n"
           "                   line: name, context and value, separated by tabs\n"
           "  --help           show this text\n"
           "\n"
           "Exit status: 0 when it ran, whatever it found; 1 when --learn could not\n"
           "learn a value or --xbrl found no figures (the reason on standard error);\n"
           "2 for unusable arguments or an unreadable file.\n";
}

std::string Printable(std::string_view sjis)
{
    return EscapeControls(SjisToUtf8(sjis));
}

std::string FormatReport(const RulesReport& report)
{
    static constexpr const char* kRuleNames[RuleCount] = {"anchor", "name", "time", "price", "change", "rate", "volume"};

    std::ostringstream text;
    text << "source:  " << EscapeControls(report.source) << "\n";
    text << "rules:   " << (report.rulesOrigin.empty() ? "built-in" : EscapeControls(report.rulesOrigin)) << "\n";
    for (std::size_t k = 0; k < RuleCount; ++k) {
        const MarkerRule& rule = report.rules[k];
        text << "  " << kRuleNames[k] << std::string(8 - std::string_view(kRuleNames[k]).size(), ' ')
             << Quoted(rule.label) << " prefix " << Quoted(rule.prefix);
        if (k != RuleKey)
            text << " suffix " << Quoted(rule.suffix);
        text << "\n";
    }
    text << "outcome: " << OutcomeText(report.outcome) << "\n";
    if (report.outcome.kind == FetchOutcome::Ok) {
        const std::string& window = report.outcome.window;
        text << "window:  " << window.size() << " bytes, "
             << (MentionsShiftJis(window) ? "mentions Shift_JIS"
                                          : "no Shift_JIS mention (name converted, dashed values cut)")
             << "\n";
    } else {
        text << "window:  none\n";
    }
    text << "record:  " << (report.record.empty() ? "(empty)" : Quoted(report.record)) << "\n";

    const QuoteValues values = SplitQuoteRecord(report.record);
    for (std::size_t k = 0; k < QuoteValueCount; ++k) {
        const std::string_view label = kValueNames[k];
        text << label << ":" << std::string(8 - label.size(), ' ') << Quoted(values[k]) << "\n";
    }
    text << "quote:   " << (HasQuote(values[QuotePrice]) ? "usable" : "not usable") << " (price "
         << ParseLeadingInt(values[QuotePrice]) << ")\n";
    text << "trend:   " << Quoted(TrendMark(values[QuoteRate])) << "\n";
    return text.str();
}

std::string LearnedLines(const LearnedRules& learned)
{
    std::string lines;
    for (std::size_t k = 0; k < RuleCount; ++k)
        lines += std::string(kMarkerRuleKeys[k]) + "=" + learned.texts[k] + "\r\n";
    if (learned.window != PieceWindow{})
        lines += std::string(kWindowPiecesKey) + "=" + PieceWindowText(learned.window) + "\r\n";
    return lines;
}

namespace {

std::string ProblemText(LearnProblem problem, const PieceWindow& window)
{
    switch (problem) {
    case LearnProblem::NotOnPage:
        return "is not on the page";
    case LearnProblem::OutsideWindow:
        return "is on the page, but not in pieces " + PieceWindowText(window) + " or near the other values";
    case LearnProblem::NoMarkerPair:
        return "is in the window, but no marker pair gives it exactly";
    case LearnProblem::None:
        break;
    }
    return "is learned";
}

int Learn(const RulesOptions& options, const Settings& settings, std::ostream& out, std::ostream& err)
{
    const auto page = ReadFileBytes(options.argument);
    if (!page) {
        err << ReadError(options.argument);
        return kExitUsage;
    }
    SeenValues values;
    for (std::size_t v = 0; v < QuoteValueCount; ++v) {
        if (options.seen[v])
            values[v] = Utf8ToSjis(*options.seen[v]);
    }
    const LearnedRules learned = LearnMarkerRules(*page, values, settings.quoteWindow);
    const std::string lines = LearnedLines(learned);
    out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
    out.flush();
    for (std::size_t v = 0; v < QuoteValueCount; ++v) {
        if (learned.problems[v] != LearnProblem::None)
            err << kProgram << ": " << kValueNames[v] << " " << Quoted(*values[v]) << " "
                << ProblemText(learned.problems[v], learned.window) << "\n";
    }
    return learned.Complete() ? kExitOk : kExitNotLearned;
}

// Nothing on standard output unless there are figures, so a script can
// take the output as the line.
int ShowFigures(const RulesOptions& options, std::ostream& out, std::ostream& err)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(options.argument, error);
    if (!error && size > kXbrlZipLimits.maxUnpackedBytes) {
        err << kProgram << ": " << EscapeControls(options.argument) << ": larger than any XBRL file may be\n";
        return kExitNoFigures;
    }
    const auto bytes = ReadFileBytes(options.argument);
    if (!bytes) {
        err << ReadError(options.argument);
        return kExitUsage;
    }
    const EarningsReading reading = ReadEarnings(*bytes);
    if (reading.line.empty()) {
        err << kProgram << ": " << EscapeControls(options.argument) << ": " << reading.reason << "\n";
        return kExitNoFigures;
    }
    if (options.facts) {
        for (const XbrlFact& fact : reading.facts)
            out << EscapeControls(fact.name) << "\t" << EscapeControls(fact.context) << "\t"
                << (fact.value ? NumberText(*fact.value) : std::string("nil")) << "\n";
    }
    out << reading.line << "\n";
    out.flush();
    return kExitOk;
}

} // namespace

int RunRules(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArgs parsed = ParseRulesArgs(args);
    if (!parsed.options) {
        err << kProgram << ": " << EscapeControls(parsed.error) << " (see --help)\n";
        return kExitUsage;
    }
    const RulesOptions& options = *parsed.options;
    if (options.help) {
        out << UsageText();
        return kExitOk;
    }

    if (options.source == Source::Xbrl)
        return ShowFigures(options, out, err);
    if (options.source == Source::Convert) {
        const auto bytes = ReadFileBytes(options.argument);
        if (!bytes) {
            err << ReadError(options.argument);
            return kExitUsage;
        }
        std::string converted;
        const int score = ConvertToShiftJis(*bytes, converted);
        err << "score " << score << "\n";
        out.write(converted.data(), static_cast<std::streamsize>(converted.size()));
        return kExitOk;
    }

    Settings settings;
    if (!options.iniPath.empty()) {
        const auto bytes = ReadFileBytes(options.iniPath);
        if (!bytes) {
            err << ReadError(options.iniPath);
            return kExitUsage;
        }
        settings = LoadSettings(ProfileFile::Parse(*bytes)).settings;
    }
    if (options.source == Source::Learn)
        return Learn(options, settings, out, err);

    RulesReport report;
    report.rulesOrigin = options.iniPath;
    report.rules = settings.markerRules;
    report.source = options.argument;
    switch (options.source) {
    case Source::Url:
        report.outcome = FetchPageWindow(options.argument, settings.quoteWindow);
        break;
    case Source::Code: {
        const std::string letter = options.market ? Utf8ToSjis(*options.market) : settings.marketCodes[0];
        const std::string address = BuildQuoteUrl(settings.quoteBaseUrl, Utf8ToSjis(options.argument), letter);
        report.source = SjisToUtf8(address);
        report.outcome = FetchPageWindow(address, settings.quoteWindow);
        break;
    }
    case Source::File:
    case Source::Window: {
        auto bytes = ReadFileBytes(options.argument);
        if (!bytes) {
            err << ReadError(options.argument);
            return kExitUsage;
        }
        report.outcome.kind = FetchOutcome::Ok;
        report.outcome.window =
            options.source == Source::File ? CutPageWindow(*bytes, settings.quoteWindow) : std::move(*bytes);
        break;
    }
    case Source::Convert:
    case Source::Learn:
    case Source::Xbrl:
        break;
    }
    report.record = QuoteRecordFromOutcome(report.outcome, report.rules).record;

    if (options.raw)
        out.write(report.record.data(), static_cast<std::streamsize>(report.record.size()));
    else
        out << FormatReport(report);
    out.flush();
    return kExitOk;
}

} // namespace zelmora::rules
