#include "core/settings/settings.h"

#include <cstdio>

#include "core/platform/atomic_file.h"
#include "core/platform/program_folder.h"
#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

constexpr const char* kListSection = "MEIGARA_DATA";
constexpr const char* kLinkSection = "LINK_JOUHOU";
constexpr const char* kSpecialSection = "SPECIALKEY";
constexpr const char* kDisclosureNotifyKey = "TEKIJINOTIFY";
constexpr const char* kWindowWidthKey = "WINDOWWIDTH";
constexpr const char* kWindowHeightKey = "WINDOWHEIGHT";

// A hand-edited size beyond any screen is no size.
int WindowSide(int pixels)
{
    return pixels > 0 && pixels <= 16384 ? pixels : 0;
}

constexpr const char* kSmtpUserKey = "SMTPUSER";
constexpr const char* kSmtpPasswordKey = "SMTPPASS";
constexpr const char* kAlertMailKey = "ALERTMAIL";

constexpr std::array<texts::Id, RuleCount> kRuleDefaults = {
    texts::RuleKey, texts::RuleName, texts::RuleTime, texts::RulePrice,
    texts::RuleChange, texts::RuleRate, texts::RuleVolume};

constexpr std::array<const char*, kMarketCount> kMarketKeys = {
    "TOSYOU", "JASDAQ", "HERAKURESU", "OOSAKA", "NAGOYA", "HUKUOKA", "SAPPORO"};
constexpr std::array<const char*, kMarketCount> kDefaultMarketCodes = {"t", "q", "j", "o", "n", "f", "s"};

// Read-buffer sizes of the settings, terminator included.
constexpr std::size_t kRowTextBuffer = 25;
constexpr std::size_t kMemoBuffer = 256;
constexpr std::size_t kAlertBuffer = 64;
constexpr std::size_t kRuleBuffer = 256;
constexpr std::size_t kUrlBuffer = 512;
constexpr std::size_t kMarketCodeBuffer = kMarketCodeLength + 1;
constexpr std::size_t kWindowBuffer = 32;

constexpr const char* kDefaultDisclosureListBase = "https://www.release.tdnet.info/inbs/";
constexpr const char* kDefaultDisclosurePortal = "https://www.jpx.co.jp/disclosure/";

constexpr std::array<texts::Id, kMarketCount> kMarketNameIds = {
    texts::MarketTokyo, texts::MarketJasdaq, texts::MarketHercules, texts::MarketOsaka,
    texts::MarketNagoya, texts::MarketFukuoka, texts::MarketSapporo};

std::string Numbered(const char* key, std::size_t i)
{
    return key + std::to_string(i);
}

std::string Decimal(int value)
{
    return std::to_string(value);
}

std::string Flag(bool on)
{
    return on ? "1" : "0";
}

// A value on one line, in a pair of quotes when the profile reader would
// otherwise drop its outer blanks or the pair of quotes it stands in.
std::string StoredText(std::string_view value)
{
    const std::string line = SingleLine(value);
    const bool blankEnds = !line.empty() && (IsBlank(line.front()) || IsBlank(line.back()));
    const bool quoted = line.size() >= 2 && (line.front() == '"' || line.front() == '\'') && line.back() == line.front();
    return blankEnds || quoted ? '"' + line + '"' : line;
}

// An empty login key goes, every copy of it a hand-edited file may hold, so
// that no password is left behind in clear.
void WriteOrDelete(ProfileFile& profile, const char* key, const std::string& value)
{
    if (value.empty()) {
        while (profile.Find(kSpecialSection, key))
            profile.DeleteKey(kSpecialSection, key);
    } else
        profile.WriteString(kSpecialSection, key, StoredText(value));
}

bool HoldsMailLogin(const ProfileFile& profile)
{
    return profile.Find(kSpecialSection, kSmtpUserKey) || profile.Find(kSpecialSection, kSmtpPasswordKey);
}

} // namespace

const std::array<std::string, kMarketCount>& MarketNames()
{
    static const std::array<std::string, kMarketCount> names = [] {
        std::array<std::string, kMarketCount> all;
        for (std::size_t i = 0; i < kMarketCount; ++i)
            all[i] = texts::Sjis(kMarketNameIds[i]);
        return all;
    }();
    return names;
}

MarkerRule ParseMarkerRule(std::string_view value, bool isAnchor)
{
    MarkerRule rule;
    const std::size_t a = FindSjis(value, "_");
    if (a != npos)
        rule.label = std::string(value.substr(0, a));
    if (isAnchor) {
        rule.prefix = std::string(a == npos ? value : value.substr(a + 1));
        return rule;
    }
    const std::size_t b = a == npos ? npos : FindSjis(value, "_", a + 1);
    if (b == npos) {
        rule.suffix = std::string(value);
        return rule;
    }
    rule.prefix = std::string(value.substr(a + 1, b - a - 1));
    rule.suffix = std::string(value.substr(b + 1));
    return rule;
}

std::string MarkerRuleText(const MarkerRule& rule, bool isAnchor)
{
    std::string text = rule.label + "_" + rule.prefix;
    if (!isAnchor)
        text += "_" + rule.suffix;
    return text;
}

const std::string& DefaultMarkerRuleText(std::size_t k)
{
    return texts::Sjis(kRuleDefaults[k]);
}

void SetMarkerRuleText(Settings& settings, std::size_t k, const std::string& text)
{
    settings.markerRules[k] = ParseMarkerRule(text, k == RuleKey);
    settings.markerRuleTextsInFile[k] = text == DefaultMarkerRuleText(k) ? std::nullopt : std::optional(text);
}

Settings::Settings()
    : quoteBaseUrl(texts::Sjis(texts::DefaultBaseUrl)),
      quoteOpenUrl(texts::Sjis(texts::DefaultBaseUrl)),
      indexOpenUrl(texts::Sjis(texts::DefaultIndexOpenUrl)),
      stockLinkName(texts::Sjis(texts::DefaultStockLinkName)),
      indexLinkName(texts::Sjis(texts::DefaultIndexLinkName)),
      disclosureListBase(kDefaultDisclosureListBase),
      disclosurePortal(kDefaultDisclosurePortal)
{
    for (std::size_t i = 0; i < RuleCount; ++i)
        markerRules[i] = ParseMarkerRule(DefaultMarkerRuleText(i), i == RuleKey);
    for (std::size_t i = 0; i < kMarketCount; ++i)
        marketCodes[i] = kDefaultMarketCodes[i];
}

std::string SettingsFilePath(const std::string& programFolder)
{
    return PathInFolder(programFolder, "base_data.ini");
}

LoadedSettings LoadSettings(const ProfileFile& profile)
{
    LoadedSettings loaded;
    loaded.readAsUtf8 = profile.ReadAsUtf8();
    Settings& s = loaded.settings;

    for (std::size_t i = 0; i < RuleCount; ++i) {
        const std::string value = profile.GetString(kLinkSection, kMarkerRuleKeys[i], DefaultMarkerRuleText(i), kRuleBuffer);
        s.markerRules[i] = ParseMarkerRule(value, i == RuleKey);
        s.markerRuleTextsInFile[i] = profile.FindRaw(kLinkSection, kMarkerRuleKeys[i]);
    }
    const std::string window = profile.GetString(kLinkSection, kWindowPiecesKey, "", kWindowBuffer);
    s.quoteWindow = ParsePieceWindow(window).value_or(PieceWindow{});

    s.openUrlOnClick = profile.GetInt(kListSection, "CHKOPENURL", 1) == 1;
    s.startInTray = profile.GetInt(kListSection, "CHKGOTASK", 0) == 1;
    const int rowCount = ParseLeadingInt(profile.GetString(kListSection, "KOSUU", "", kRowTextBuffer));
    s.selectedRow = profile.GetInt(kListSection, "SELECTEDITEM", 0);
    s.windowWidth = WindowSide(profile.GetInt(kListSection, kWindowWidthKey, 0));
    s.windowHeight = WindowSide(profile.GetInt(kListSection, kWindowHeightKey, 0));
    for (int j = 0; j < rowCount && loaded.rows.size() < kMaxStoredRows; ++j) {
        const auto i = static_cast<std::size_t>(j);
        loaded.rows.push_back({profile.GetString(kListSection, Numbered("NUM", i), "", kRowTextBuffer),
                               profile.GetString(kListSection, Numbered("SIJOU", i), "", kRowTextBuffer),
                               profile.GetString(kListSection, Numbered("MESSAGE", i), "", kMemoBuffer),
                               ParseAlertThresholds(
                                   profile.GetString(kListSection, Numbered("ALERT", i), "", kAlertBuffer))});
    }

    s.quoteBaseUrl = profile.GetString(kLinkSection, "BASE_URL", texts::Sjis(texts::DefaultBaseUrl), kUrlBuffer);
    s.quoteOpenUrl = profile.GetString(kLinkSection, "OPEN_URL", texts::Sjis(texts::DefaultBaseUrl), kUrlBuffer);
    s.indexOpenUrl = profile.GetString(kLinkSection, "OPEN_NIKKEI_URL", texts::Sjis(texts::DefaultIndexOpenUrl), kUrlBuffer);
    s.stockLinkName = profile.GetString(kLinkSection, "STOCK_LINK", texts::Sjis(texts::DefaultStockLinkName), kUrlBuffer);
    s.indexLinkName = profile.GetString(kLinkSection, "STOCK_NIKKEI", texts::Sjis(texts::DefaultIndexLinkName), kUrlBuffer);
    for (std::size_t i = 0; i < kMarketCount; ++i)
        s.marketCodes[i] = profile.GetString(kLinkSection, kMarketKeys[i], kDefaultMarketCodes[i], kMarketCodeBuffer);

    s.downloadDocuments = profile.GetInt(kSpecialSection, "ORVEKSENYOU", 0) == 1;
    s.disclosureMailOn = profile.GetInt(kSpecialSection, "TEKIJIMAIL", 0) == 1;
    s.disclosureNotifyOn = profile.GetInt(kSpecialSection, kDisclosureNotifyKey, 1) == 1;
    s.priceMailOn = profile.GetInt(kSpecialSection, "KABUKAMAIL", 0) == 1;
    s.priceMailInterval = profile.GetInt(kSpecialSection, "KABUKAUPDATETIME", 30);
    s.alertMailOn = profile.GetInt(kSpecialSection, kAlertMailKey, 0) == 1;
    s.smtpServer = profile.GetString(kSpecialSection, "SMTP", "", kUrlBuffer);
    s.mailAddress = profile.GetString(kSpecialSection, "ADDRESS", "", kUrlBuffer);
    s.smtpUser = profile.GetString(kSpecialSection, kSmtpUserKey, "", kUrlBuffer);
    s.smtpPassword = profile.GetString(kSpecialSection, kSmtpPasswordKey, "", kUrlBuffer);
    s.disclosureListBase = profile.GetString(kSpecialSection, "TEKIJI_URL", kDefaultDisclosureListBase, kUrlBuffer);
    // Page names are appended to the base.
    if (s.disclosureListBase.empty())
        s.disclosureListBase = kDefaultDisclosureListBase;
    else if (s.disclosureListBase.back() != '/')
        s.disclosureListBase += '/';
    s.disclosurePortal = profile.GetString(kSpecialSection, "TEKIJI_TOP_URL", kDefaultDisclosurePortal, kUrlBuffer);
    if (s.disclosurePortal.empty())
        s.disclosurePortal = kDefaultDisclosurePortal;
    return loaded;
}

void SaveSettings(ProfileFile& profile, const Settings& s, const std::vector<StoredRow>& rows)
{
    // Every copy of the two sections: one left behind would be read at the
    // next start in place of what is written now.
    while (profile.DeleteSection(kListSection)) {
    }
    while (profile.DeleteSection(kLinkSection)) {
    }

    for (std::size_t i = 0; i < rows.size(); ++i) {
        profile.WriteString(kListSection, Numbered("NUM", i), StoredText(rows[i].code));
        profile.WriteString(kListSection, Numbered("SIJOU", i), StoredText(rows[i].market));
        profile.WriteString(kListSection, Numbered("MESSAGE", i), StoredText(rows[i].memo));
        if (rows[i].alert.Any())
            profile.WriteString(kListSection, Numbered("ALERT", i), AlertThresholdsText(rows[i].alert));
    }
    profile.WriteString(kListSection, "KOSUU", Decimal(static_cast<int>(rows.size())));
    profile.WriteString(kListSection, "CHKOPENURL", Flag(s.openUrlOnClick));
    profile.WriteString(kListSection, "CHKGOTASK", Flag(s.startInTray));
    profile.WriteString(kListSection, "SELECTEDITEM", Decimal(s.selectedRow));
    if (s.windowWidth > 0 && s.windowHeight > 0) {
        profile.WriteString(kListSection, kWindowWidthKey, Decimal(s.windowWidth));
        profile.WriteString(kListSection, kWindowHeightKey, Decimal(s.windowHeight));
    }

    for (std::size_t i = 0; i < RuleCount; ++i) {
        if (s.markerRuleTextsInFile[i])
            profile.WriteString(kLinkSection, kMarkerRuleKeys[i], SingleLine(*s.markerRuleTextsInFile[i]));
    }
    if (s.quoteWindow != PieceWindow{})
        profile.WriteString(kLinkSection, kWindowPiecesKey, PieceWindowText(s.quoteWindow));
    profile.WriteString(kLinkSection, "BASE_URL", StoredText(s.quoteBaseUrl));
    profile.WriteString(kLinkSection, "OPEN_URL", StoredText(s.quoteOpenUrl));
    profile.WriteString(kLinkSection, "OPEN_NIKKEI_URL", StoredText(s.indexOpenUrl));
    profile.WriteString(kLinkSection, "STOCK_LINK", StoredText(s.stockLinkName));
    profile.WriteString(kLinkSection, "STOCK_NIKKEI", StoredText(s.indexLinkName));
    for (std::size_t i = 0; i < kMarketCount; ++i)
        profile.WriteString(kLinkSection, kMarketKeys[i], StoredText(s.marketCodes[i]));

    profile.WriteString(kSpecialSection, "TEKIJIMAIL", Flag(s.disclosureMailOn));
    profile.WriteString(kSpecialSection, "KABUKAMAIL", Flag(s.priceMailOn));
    profile.WriteString(kSpecialSection, "KABUKAUPDATETIME", Decimal(s.priceMailInterval));
    profile.WriteString(kSpecialSection, "SMTP", StoredText(s.smtpServer));
    profile.WriteString(kSpecialSection, "ADDRESS", StoredText(s.mailAddress));
    WriteOrDelete(profile, kSmtpUserKey, s.smtpUser);
    WriteOrDelete(profile, kSmtpPasswordKey, s.smtpPasswordInStore ? std::string() : s.smtpPassword);
    // A file that never turned the notifications off keeps its bytes; one
    // that did is told when they are on again.
    if (!s.disclosureNotifyOn || profile.Find(kSpecialSection, kDisclosureNotifyKey))
        profile.WriteString(kSpecialSection, kDisclosureNotifyKey, Flag(s.disclosureNotifyOn));
    if (s.alertMailOn || profile.Find(kSpecialSection, kAlertMailKey))
        profile.WriteString(kSpecialSection, kAlertMailKey, Flag(s.alertMailOn));
}

bool SaveSettingsFile(const std::string& path, const Settings& settings, const std::vector<StoredRow>& rows)
{
    auto profile = ProfileFile::Read(path);
    if (!profile)
        return false;
    SaveSettings(*profile, settings, rows);
    if (!HoldsMailLogin(*profile))
        return WriteFileAtomically(path, profile->Serialize());
    const bool wasOpen = OthersMayRead(path);
    if (!WriteFileAtomically(path, profile->Serialize(), FileReaders::OwnerOnly))
        return false;
    if (wasOpen)
        std::fprintf(stderr, "%s holds a mail login and was readable by others: it is now readable by you alone\n",
                     path.c_str());
    return true;
}

std::string PriceMailStatusText(const Settings& s)
{
    return PriceMailStatusText(s.priceMailOn, s.priceMailInterval);
}

int PriceMailMinutes(int priceMailInterval)
{
    constexpr int kDefaultMinutes = 30;
    constexpr int kMinutesPerDay = 24 * 60;
    return priceMailInterval >= 1 && priceMailInterval <= kMinutesPerDay ? priceMailInterval : kDefaultMinutes;
}

// The label names the period the timer really runs with.
std::string PriceMailStatusText(bool priceMailOn, int priceMailInterval)
{
    if (!priceMailOn)
        return {};
    if (priceMailInterval == 300)
        return texts::Sjis(texts::PriceMailAfterClose);
    char text[64];
    std::snprintf(text, sizeof text, texts::Sjis(texts::PriceMailEveryFormat).c_str(), PriceMailMinutes(priceMailInterval));
    return text;
}

std::string DisclosureMailStatusText(const Settings& s)
{
    return s.disclosureMailOn ? texts::Sjis(texts::DisclosureMailStatus) : std::string();
}

} // namespace zelmora
