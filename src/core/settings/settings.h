#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/alerts/price_alert.h"
#include "core/quotes/page_window_cutter.h"
#include "core/settings/profile_file.h"

namespace zelmora {

// Where a value sits in the quote page: the text just before it and just
// after it.
struct MarkerRule {
    std::string label;
    std::string prefix;
    std::string suffix;

    bool operator==(const MarkerRule&) const = default;
};

enum MarkerRuleIndex { RuleKey, RuleName, RuleTime, RulePrice, RuleChange, RuleRate, RuleVolume, RuleCount };

// Splits "[label]_prefix_suffix"; the anchor rule (record 0) has no suffix
// and keeps every further "_" in its prefix.
MarkerRule ParseMarkerRule(std::string_view value, bool isAnchor);

// The text form ParseMarkerRule reads: "[label]_prefix" for the anchor,
// "[label]_prefix_suffix" for the others.
std::string MarkerRuleText(const MarkerRule& rule, bool isAnchor);

// The [LINK_JOUHOU] keys of the seven rules, and their built-in text.
inline constexpr std::array<const char*, RuleCount> kMarkerRuleKeys = {
    "key", "meigaramei", "time", "genzaiti", "zenjitusa", "sawariai", "dekidaka"};
const std::string& DefaultMarkerRuleText(std::size_t k);

// The [LINK_JOUHOU] key of the window of pieces the rules read.
inline constexpr const char* kWindowPiecesKey = "WINDOW_PIECES";

constexpr std::size_t kMarketCount = 7;
// Market letters keep at most this many bytes.
constexpr std::size_t kMarketCodeLength = 4;

// The market names of the market combo, in the order of the market letters.
const std::array<std::string, kMarketCount>& MarketNames();

// Every setting of base_data.ini except the list rows, as the main window
// keeps it while it runs.
struct Settings {
    Settings();
    bool operator==(const Settings&) const = default;

    bool openUrlOnClick = true;
    bool startInTray = false;
    int selectedRow = 0;
    // The window's size as the user left it; 0 while it has its first size
    // (then the file has no such keys).
    int windowWidth = 0;
    int windowHeight = 0;
    std::array<MarkerRule, RuleCount> markerRules;
    // The rule keys as they stood in the file (raw text), so that a save
    // writes back what the user set and leaves out what was never there.
    std::array<std::optional<std::string>, RuleCount> markerRuleTextsInFile;
    // The pieces of a quote page the rules read (WINDOW_PIECES); written
    // only when it is not the built-in 151-201. A malformed value reads as
    // the built-in window.
    PieceWindow quoteWindow;
    std::string quoteBaseUrl;
    std::string quoteOpenUrl;
    std::string indexOpenUrl;
    std::string stockLinkName;
    std::string indexLinkName;
    std::array<std::string, kMarketCount> marketCodes;
    bool downloadDocuments = false; // disclosure documents are downloaded
    bool disclosureMailOn = false;
    // New disclosures of today show on the desktop (TEKIJINOTIFY, 1 unless
    // the file says otherwise).
    bool disclosureNotifyOn = true;
    bool priceMailOn = false;
    int priceMailInterval = 30;
    // Price alerts are mailed too (ALERTMAIL, written once turned on).
    bool alertMailOn = false;
    std::string smtpServer;
    std::string mailAddress;
    // An optional login for the mail server (SMTPUSER, SMTPPASS).
    std::string smtpUser;
    std::string smtpPassword;
    // The desktop's secret store holds the password: the save leaves
    // SMTPPASS out of the file. Otherwise the file keeps it.
    bool smtpPasswordInStore = false;
    // The exchange's disclosure listing base (ends with "/") and portal page;
    // SPECIALKEY may move them (TEKIJI_URL, TEKIJI_TOP_URL), the program
    // never writes them.
    std::string disclosureListBase;
    std::string disclosurePortal;
};

// Sets rule k from its text form, as a dialog does: the save writes it
// unless it is the built-in text.
void SetMarkerRuleText(Settings& settings, std::size_t k, const std::string& text);

// One watch list row as the settings file stores it.
struct StoredRow {
    StoredRow() = default;
    StoredRow(std::string code, std::string market, std::string memo = {}, AlertThresholds alert = {})
        : code(std::move(code)), market(std::move(market)), memo(std::move(memo)), alert(alert)
    {
    }

    std::string code;
    std::string market;
    std::string memo;
    AlertThresholds alert; // ALERT<n>, written only when it holds one

    bool operator==(const StoredRow&) const = default;
};

// The list holds at most this many rows; further rows of a file are dropped.
constexpr std::size_t kMaxStoredRows = 15;

struct LoadedSettings {
    Settings settings;
    std::vector<StoredRow> rows;
    // The file was UTF-8: the next save writes it in Shift_JIS. Whoever
    // loaded it says so once, with kSettingsReadAsUtf8Notice.
    bool readAsUtf8 = false;
};

inline constexpr const char* kSettingsReadAsUtf8Notice =
    "zelmora: base_data.ini was UTF-8; it is read as such and saved as Shift_JIS";

std::string SettingsFilePath(const std::string& programFolder);

LoadedSettings LoadSettings(const ProfileFile& profile);

// Applies the settings and rows to the profile, keeping every section, key
// and comment the program does not own.
void SaveSettings(ProfileFile& profile, const Settings& settings, const std::vector<StoredRow>& rows);

// Re-reads the file at path, applies the settings and replaces it atomically.
// A file that holds a mail login is readable by its owner alone; one that
// let others read it is tightened, with a line on stderr. Returns false
// when the file could not be written; the old file then stays.
bool SaveSettingsFile(const std::string& path, const Settings& settings, const std::vector<StoredRow>& rows);

// The price mail interval in use: a hand-edited interval of no minutes, or
// one beyond a day, counts as the default 30.
int PriceMailMinutes(int priceMailInterval);

// Texts of the price mail and disclosure mail status labels.
std::string PriceMailStatusText(const Settings& settings);
std::string PriceMailStatusText(bool priceMailOn, int priceMailInterval);
std::string DisclosureMailStatusText(const Settings& settings);

} // namespace zelmora
