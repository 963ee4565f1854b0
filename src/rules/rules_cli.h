#pragma once

#include <array>
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/quotes/marker_rule_learner.h"
#include "core/quotes/page_fetcher.h"
#include "core/quotes/quote_record.h"

// zelmora-rules: shows what the program reads from a quote page with a set
// of marker rules. Everything but main() lives here so tests can drive it.
namespace zelmora::rules {

struct RulesOptions {
    enum class Source { Url, Code, File, Window, Convert, Learn, Xbrl };

    Source source = Source::Url;
    std::string argument;              // the address, code or file path
    std::optional<std::string> market; // --market letter, with --code only
    // --name, --time, --price, --change, --rate, --volume with --learn, as
    // typed (UTF-8).
    std::array<std::optional<std::string>, QuoteValueCount> seen;
    std::string iniPath;               // empty: the built-in settings
    bool raw = false;
    bool facts = false; // --facts with --xbrl: every fact read as well
    bool help = false;
};

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitNotLearned = 1; // --learn: some value given was not learned
constexpr int kExitNoFigures = 1;  // --xbrl: the file gives no figures
constexpr int kExitUsage = 2;

struct ParsedArgs {
    std::optional<RulesOptions> options; // set when the arguments are usable
    std::string error;                   // one line, otherwise
};

// Reads the arguments after the program name.
ParsedArgs ParseRulesArgs(const std::vector<std::string>& args);

std::string UsageText();

// What one run found, for the report.
struct RulesReport {
    std::string source;      // address or file path, as given
    std::string rulesOrigin; // the settings file, or empty for the defaults
    MarkerRules rules;
    FetchOutcome outcome;    // a file read counts as Ok with its window
    std::string record;      // Shift_JIS
};

// The report as UTF-8 text, safe to print on a terminal: control bytes
// coming from the page are shown escaped.
std::string FormatReport(const RulesReport& report);

// Shift_JIS text as UTF-8 with control characters escaped as \xNN.
std::string Printable(std::string_view sjis);

// --learn: the lines to paste into [LINK_JOUHOU] of base_data.ini, in
// Shift_JIS with CRLF: the seven rule keys, and WINDOW_PIECES when the
// window is not the built-in one.
std::string LearnedLines(const LearnedRules& learned);

// The whole program: parses, reads or fetches, prints. Returns the exit
// status.
int RunRules(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace zelmora::rules
