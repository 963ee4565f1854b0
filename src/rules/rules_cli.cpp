#include "rules/rules_cli.h"

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
};

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

        if (name == "--raw") {
            if (value)
                return Fail("--raw takes no value");
            options.raw = true;
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
        return Fail("give one of --url, --code, --file, --window or --convert");
    options.source = *source;
    if (options.market && options.source != Source::Code)
        return Fail("--market goes with --code only");
    if (options.source == Source::Convert && (options.raw || iniGiven))
        return Fail("--convert takes no other option");
    if (options.source == Source::Code && Utf8ToSjis(options.argument).size() < kStockCodeLength)
        return Fail("codes shorter than 4 bytes are never looked up");
    return {options, {}};
}

std::string UsageText()
{
    return "Usage: zelmora-rules [--ini PATH] (--url URL | --code CODE [--market LETTER]\n"
           "                                   | --file PATH | --window PATH) [--raw]\n"
           "       zelmora-rules --convert PATH\n"
           "       zelmora-rules --help\n"
           "\n"
           "Shows what Zelmora reads from a quote page with the marker rules of a\n"
           "settings file (base_data.ini) or with the built-in rules.\n"
           "\n"
           "  --ini PATH       take the rules and BASE_URL from this settings file\n"
           "  --url URL        fetch the page at URL as the program does\n"
           "  --code CODE      fetch the quote page of a stock (4 bytes) or index code,\n"
           "                   its address built from BASE_URL\n"
           "  --market LETTER  market letter for a stock code (default: the first\n"
           "                   market letter of the settings)\n"
           "  --file PATH      read a saved page and keep its pieces 151 to 201\n"
           "  --window PATH    take the file's bytes as the page window itself\n"
           "  --raw            write only the quote record's Shift_JIS bytes\n"
           "  --convert PATH   convert the file to Shift_JIS: the bytes on standard\n"
           "                   output, the score of the encoding chosen on standard error\n"
           "  --help           show this text\n"
           "\n"
           "Exit status: 0 when it ran, whatever it found; 2 for unusable arguments\n"
           "or an unreadable file.\n";
}

std::string Printable(std::string_view sjis)
{
    return EscapeControls(SjisToUtf8(sjis));
}

std::string FormatReport(const RulesReport& report)
{
    static constexpr const char* kRuleNames[RuleCount] = {"anchor", "name", "time", "price", "change", "rate", "volume"};
    static constexpr const char* kValueNames[QuoteValueCount] = {"name", "time", "price", "change", "rate", "volume"};

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

    RulesReport report;
    report.rulesOrigin = options.iniPath;
    report.rules = settings.m_markerRules;
    report.source = options.argument;
    switch (options.source) {
    case Source::Url:
        report.outcome = FetchPageWindow(options.argument);
        break;
    case Source::Code: {
        const std::string letter = options.market ? Utf8ToSjis(*options.market) : settings.m_marketCodes[0];
        const std::string address = BuildQuoteUrl(settings.m_quoteBaseUrl, Utf8ToSjis(options.argument), letter);
        report.source = SjisToUtf8(address);
        report.outcome = FetchPageWindow(address);
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
        report.outcome.window = options.source == Source::File ? CutPageWindow(*bytes) : std::move(*bytes);
        break;
    }
    case Source::Convert:
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
