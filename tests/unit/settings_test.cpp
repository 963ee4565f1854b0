#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/settings/profile_file.h"
#include "core/settings/settings.h"
#include "core/watch/watch_list.h"
#include "support/page_builders.h"

using namespace zelmora;
namespace fs = std::filesystem;

namespace {

LoadedSettings LoadText(const std::string& bytes)
{
    return LoadSettings(ProfileFile::Parse(bytes));
}

std::string SavedText(const std::string& before, const LoadedSettings& loaded)
{
    auto profile = ProfileFile::Parse(before);
    SaveSettings(profile, loaded.settings, loaded.rows);
    return profile.Serialize();
}

// Every member of Settings, to compare two of them.
auto Fields(const Settings& s)
{
    return std::tie(s.openUrlOnClick, s.startInTray, s.selectedRow, s.markerRules, s.markerRuleTextsInFile,
                    s.quoteBaseUrl, s.quoteOpenUrl, s.indexOpenUrl, s.stockLinkName, s.indexLinkName,
                    s.marketCodes, s.downloadDocuments, s.disclosureMailOn, s.disclosureNotifyOn, s.priceMailOn, s.priceMailInterval,
                    s.smtpServer, s.mailAddress, s.smtpUser, s.smtpPassword, s.smtpPasswordInStore, s.alertMailOn);
}

void ExpectSameSettings(const Settings& a, const Settings& b)
{
    EXPECT_EQ(Fields(a), Fields(b));
}

MarkerRule Rule(const std::string& label, const std::string& prefix, const std::string& suffix)
{
    return {label, prefix, suffix};
}

// A fresh folder, removed with everything in it at the end of the test.
struct TempDir {
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "zelmora-settings-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path))
            names.push_back(entry.path().filename().string());
        return names;
    }
    fs::path path;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(SettingsLoad, FirstStartWithoutAFileUsesEveryDefault)
{
    const LoadedSettings loaded = LoadSettings(ProfileFile::Load("/nonexistent-folder/base_data.ini"));
    const Settings& s = loaded.settings;
    EXPECT_TRUE(loaded.rows.empty());
    EXPECT_EQ(std::tie(s.openUrlOnClick, s.startInTray, s.selectedRow, s.priceMailOn, s.priceMailInterval,
                       s.disclosureMailOn, s.downloadDocuments, s.smtpServer, s.mailAddress),
              std::make_tuple(1, 0, 0, 0, 30, 0, 0, "", ""));
    EXPECT_EQ(s.marketCodes, (std::array<std::string, kMarketCount>{"t", "q", "j", "o", "n", "f", "s"}));
    EXPECT_EQ(PriceMailStatusText(s), "");
    EXPECT_EQ(DisclosureMailStatusText(s), "");

    const std::array<MarkerRule, RuleCount> rules = {
        Rule("[key]", "</tr><tr align=right>", ""),
        Rule(S("[銘柄名]"), "align=absmiddle><b>", "&nbsp;</b>"),
        Rule(S("[時間]"), "<td nowrap align=center>", "</td>"),
        Rule(S("[現在値]"), "<td nowrap><b>", "</b></td>"),
        Rule(S("[前日差]"), "<td nowrap>", "</td>"),
        Rule(S("[差割合]"), "<td nowrap>", "</td>"),
        Rule(S("[出来高]"), "<td nowrap>", "</td>")};
    EXPECT_EQ(s.markerRules, rules);
    for (const auto& inFile : s.markerRuleTextsInFile)
        EXPECT_FALSE(inFile);

    const std::string query = "/q?s=" + S("銘柄.市場");
    ASSERT_GT(s.quoteBaseUrl.size(), query.size());
    EXPECT_EQ(s.quoteBaseUrl.substr(0, 7), "http://");
    EXPECT_EQ(s.quoteBaseUrl.substr(s.quoteBaseUrl.size() - query.size()), query);
    EXPECT_EQ(s.quoteOpenUrl, s.quoteBaseUrl);
    EXPECT_EQ(s.indexOpenUrl, s.quoteBaseUrl.substr(0, s.quoteBaseUrl.size() - query.size()) + "/q?s=998407");
    EXPECT_EQ(s.stockLinkName, "Yahoo finance");
    EXPECT_EQ(s.indexLinkName, S("Yahoo日経"));

    ExpectSameSettings(s, Settings());
}

TEST(SettingsLoad, JapaneseFileSurvivesASaveAndLoadsAgainTheSame)
{
    const std::string before = SjisCrlfFile(R"(; 設定ファイル
[MEIGARA_DATA]
NUM0=7203
SIJOU0=東証
MESSAGE0=トヨタ　買い増し
NUM1=9984
SIJOU1=ＨＣ
NUM2=6758
KOSUU=2
CHKOPENURL=0
CHKGOTASK=1
SELECTEDITEM=1
[LINK_JOUHOU]
key=[key]_<tr>
meigaramei="[銘柄名]_<b>_</b>"
BASE_URL=http://kabu.example/q?s=銘柄.市場
OPEN_URL=http://kabu.example/open?s=銘柄.市場
OPEN_NIKKEI_URL=http://kabu.example/open?s=998407
STOCK_LINK=株価ページ
STOCK_NIKKEI=日経ページ
TOSYOU=T
JASDAQ=Q
HERAKURESU=J
OOSAKA=O
NAGOYA=N
HUKUOKA=F
SAPPORO=S
CUSTOM=手で足したキー
[SPECIALKEY]
ORVEKSENYOU=1
tekijimail = 1
KABUKAMAIL=1
KABUKAUPDATETIME=60
SMTP=smtp.example.jp
SMTPUSER=taro
SMTPPASS=p=ss word
; 残すコメント
EXTRA=残す
[他のソフト]
A=あ
)");
    const LoadedSettings loaded = LoadText(before);
    const Settings& s = loaded.settings;
    EXPECT_EQ(loaded.rows, (std::vector<StoredRow>{{"7203", S("東証"), S("トヨタ　買い増し")}, {"9984", S("ＨＣ"), ""}}));
    EXPECT_EQ(std::tie(s.openUrlOnClick, s.startInTray, s.selectedRow, s.downloadDocuments, s.disclosureMailOn,
                       s.priceMailInterval),
              std::make_tuple(0, 1, 1, 1, 1, 60));
    EXPECT_EQ(s.markerRules[RuleKey], Rule("[key]", "<tr>", ""));
    EXPECT_EQ(s.markerRules[RuleName], Rule(S("[銘柄名]"), "<b>", "</b>"));
    EXPECT_EQ(s.markerRules[RuleTime], Settings().markerRules[RuleTime]);
    EXPECT_EQ(s.stockLinkName, S("株価ページ"));
    EXPECT_EQ(s.marketCodes[6], "S");
    EXPECT_EQ(PriceMailStatusText(s), S("株価を60分毎にメール"));
    // A login the program leaves unchanged keeps its lines.
    EXPECT_EQ(std::tie(s.smtpUser, s.smtpPassword), std::make_tuple("taro", "p=ss word"));

    const std::string after = SavedText(before, loaded);
    EXPECT_EQ(after, SjisCrlfFile(R"(; 設定ファイル
[SPECIALKEY]
ORVEKSENYOU=1
TEKIJIMAIL=1
KABUKAMAIL=1
KABUKAUPDATETIME=60
SMTP=smtp.example.jp
SMTPUSER=taro
SMTPPASS=p=ss word
; 残すコメント
EXTRA=残す
ADDRESS=
[他のソフト]
A=あ
[MEIGARA_DATA]
NUM0=7203
SIJOU0=東証
MESSAGE0=トヨタ　買い増し
NUM1=9984
SIJOU1=ＨＣ
MESSAGE1=
KOSUU=2
CHKOPENURL=0
CHKGOTASK=1
SELECTEDITEM=1
[LINK_JOUHOU]
key=[key]_<tr>
meigaramei="[銘柄名]_<b>_</b>"
BASE_URL=http://kabu.example/q?s=銘柄.市場
OPEN_URL=http://kabu.example/open?s=銘柄.市場
OPEN_NIKKEI_URL=http://kabu.example/open?s=998407
STOCK_LINK=株価ページ
STOCK_NIKKEI=日経ページ
TOSYOU=T
JASDAQ=Q
HERAKURESU=J
OOSAKA=O
NAGOYA=N
HUKUOKA=F
SAPPORO=S
)"));

    const LoadedSettings again = LoadText(after);
    EXPECT_EQ(again.rows, loaded.rows);
    ExpectSameSettings(again.settings, s);
    EXPECT_EQ(SavedText(after, again), after);
}

TEST(SettingsLoad, RuleKeysAreWrittenBackRawOnlyWhenTheFileHadThem)
{
    const std::string before = SjisCrlfFile(R"([LINK_JOUHOU]
KEY = '[key]_<tr> '
dekidaka=[出来高]_<td>_</td>
CUSTOM=x
[SPECIALKEY]
ORVEKSENYOU=1
MYKEY=mine
)");
    const LoadedSettings loaded = LoadText(before);
    EXPECT_EQ(loaded.settings.markerRules[RuleKey], Rule("[key]", "<tr> ", ""));

    const auto saved = ProfileFile::Parse(SavedText(before, loaded));
    EXPECT_EQ(saved.FindRaw("LINK_JOUHOU", "key"), "'[key]_<tr> '");
    EXPECT_EQ(saved.FindRaw("LINK_JOUHOU", "dekidaka"), S("[出来高]_<td>_</td>"));
    for (const char* absent : {"meigaramei", "time", "genzaiti", "zenjitusa", "sawariai", "CUSTOM"})
        EXPECT_EQ(saved.FindRaw("LINK_JOUHOU", absent), std::nullopt) << absent;
    EXPECT_EQ(saved.FindRaw("SPECIALKEY", "ORVEKSENYOU"), "1");
    EXPECT_EQ(saved.FindRaw("SPECIALKEY", "MYKEY"), "mine");

    const auto firstStart = ProfileFile::Parse(SavedText("", LoadText("")));
    EXPECT_EQ(firstStart.FindRaw("LINK_JOUHOU", "key"), std::nullopt);
    EXPECT_EQ(firstStart.FindRaw("SPECIALKEY", "ORVEKSENYOU"), std::nullopt);
}

// The notification switch is on unless the file turns it off; a file that
// never turned it off keeps its bytes through a save.
TEST(SettingsSave, NotificationSwitchIsWrittenOnlyOnceItDiffersFromTheDefault)
{
    // The sections the save rewrites go to the end once; from then on a
    // save gives the same bytes.
    const std::string first = SavedText("", LoadText(""));
    const std::string saved = SavedText(first, LoadText(first));
    EXPECT_TRUE(LoadText(saved).settings.disclosureNotifyOn);
    EXPECT_EQ(SavedText(saved, LoadText(saved)), saved);
    EXPECT_EQ(saved.find("TEKIJINOTIFY"), std::string::npos);

    const struct {
        const char* line; // in [SPECIALKEY]
        bool loadedOn;
        bool turnOn;
        std::optional<std::string> written;
    } cases[] = {
        {"", true, true, std::nullopt},
        {"", true, false, "0"},
        {"TEKIJINOTIFY=0\r\n", false, false, "0"},
        {"TEKIJINOTIFY=0\r\n", false, true, "1"},
        {"TEKIJINOTIFY=1\r\n", true, true, "1"},
        {"TEKIJINOTIFY=no\r\n", false, true, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line) + (c.turnOn ? " on" : " off"));
        const std::string before = "[SPECIALKEY]\r\n" + std::string(c.line);
        LoadedSettings loaded = LoadText(before);
        EXPECT_EQ(loaded.settings.disclosureNotifyOn, c.loadedOn);
        loaded.settings.disclosureNotifyOn = c.turnOn;
        const std::string after = SavedText(before, loaded);
        EXPECT_EQ(ProfileFile::Parse(after).FindRaw("SPECIALKEY", "TEKIJINOTIFY"), c.written);
        EXPECT_EQ(LoadText(after).settings.disclosureNotifyOn, c.turnOn);
    }
}

TEST(SettingsSave, MailLoginGoesToTheFileUnlessTheSecretStoreHoldsThePassword)
{
    using Keys = std::pair<std::optional<std::string>, std::optional<std::string>>;
    const struct {
        const char* lines; // in [SPECIALKEY]
        const char* user;
        const char* password;
        bool inStore;
        Keys written; // SMTPUSER, SMTPPASS
    } cases[] = {
        {"", "", "", false, {std::nullopt, std::nullopt}},
        {"", "taro", "p=ss word", false, {"taro", "p=ss word"}},
        {"", "taro", "p=ss word", true, {"taro", std::nullopt}},
        {"SMTPUSER=taro\r\nSMTPPASS=old\r\nSMTPPASS=copy\r\n", "taro", "old", true, {"taro", std::nullopt}},
        {"SMTPUSER=taro\r\nSMTPPASS=old\r\n", "hanako", "new", false, {"hanako", "new"}},
        {"SMTPUSER=taro\r\nSMTPPASS=old\r\n", "", "", false, {std::nullopt, std::nullopt}},
        {"", "taro", "two\r\nlines", false, {"taro", "two  lines"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lines) + c.user + "/" + c.password + (c.inStore ? " in the store" : ""));
        const std::string before = "[SPECIALKEY]\r\n" + std::string(c.lines);
        LoadedSettings loaded = LoadText(before);
        loaded.settings.smtpUser = c.user;
        loaded.settings.smtpPassword = c.password;
        loaded.settings.smtpPasswordInStore = c.inStore;
        const ProfileFile after = ProfileFile::Parse(SavedText(before, loaded));
        EXPECT_EQ(Keys(after.FindRaw("SPECIALKEY", "SMTPUSER"), after.FindRaw("SPECIALKEY", "SMTPPASS")), c.written);
    }
}

TEST(SettingsLoad, ParseMarkerRuleSplitsAtTheFirstTwoSeparatorsOutsideDoubleByteCharacters)
{
    // ダ is 83 5F, 神 90 5F, 点 93 5F: each ends in the byte of "_".
    ASSERT_EQ(S("ダ神点"), "\x83\x5F\x90\x5F\x93\x5F");
    const std::vector<std::tuple<std::string, bool, MarkerRule>> cases{
        {"abc", false, Rule("", "", "abc")},
        {"abc", true, Rule("", "abc", "")},
        {"[a]_pre", false, Rule("[a]", "", "[a]_pre")},
        {"[a]_pre", true, Rule("[a]", "pre", "")},
        {"[a]_pre_suf", false, Rule("[a]", "pre", "suf")},
        {"[a]_p_s_t", false, Rule("[a]", "p", "s_t")},
        {"[a]_p_s_t", true, Rule("[a]", "p_s_t", "")},
        {"_p_s", false, Rule("", "p", "s")},
        {"a__", false, Rule("a", "", "")},
        {"", false, Rule("", "", "")},
        {"", true, Rule("", "", "")},
        {S("[ダ神]_<b>_</b>"), false, Rule(S("[ダ神]"), "<b>", "</b>")},
        {S("[x]_a点b_c点"), false, Rule("[x]", S("a点b"), S("c点"))},
        {S("[神]_x"), true, Rule(S("[神]"), "x", "")},
        {S("神点"), false, Rule("", "", S("神点"))},
        {S("神点"), true, Rule("", S("神点"), "")},
    };
    for (const auto& [value, isAnchor, expected] : cases) {
        SCOPED_TRACE(value + (isAnchor ? " (anchor)" : ""));
        EXPECT_EQ(ParseMarkerRule(value, isAnchor), expected);
    }
}

TEST(SettingsLoad, MailStatusTexts)
{
    const std::vector<std::tuple<const char*, const char*, const char*>> cases{
        // [SPECIALKEY] keys, price mail text, disclosure mail text
        {"KABUKAMAIL=1\nKABUKAUPDATETIME=300", "株価場終了後にメール", ""},
        {"KABUKAMAIL=1\nKABUKAUPDATETIME=10", "株価を10分毎にメール", ""},
        {"KABUKAMAIL=1", "株価を30分毎にメール", ""},
        // Hand-edited intervals the timer runs as 30 minutes say so.
        {"KABUKAMAIL=1\nKABUKAUPDATETIME=0", "株価を30分毎にメール", ""},
        {"KABUKAMAIL=1\nKABUKAUPDATETIME=1441", "株価を30分毎にメール", ""},
        {"KABUKAMAIL=1\nKABUKAUPDATETIME=1440", "株価を1440分毎にメール", ""},
        {"KABUKAMAIL=0\nKABUKAUPDATETIME=300", "", ""},
        {"KABUKAMAIL=2", "", ""},
        {"TEKIJIMAIL=1", "", "適時開示をメール"},
        {"TEKIJIMAIL=2", "", ""},
    };
    for (const auto& [keys, price, disclosure] : cases) {
        SCOPED_TRACE(keys);
        const Settings s = LoadText(SjisCrlfFile(("[SPECIALKEY]\n" + std::string(keys) + "\n").c_str())).settings;
        EXPECT_EQ(PriceMailStatusText(s), S(price));
        EXPECT_EQ(DisclosureMailStatusText(s), S(disclosure));
    }
}

TEST(SettingsLoad, RowsWithEmptyOrMissingCodesAreStillInserted)
{
    const auto loaded = LoadText(SjisCrlfFile("[MEIGARA_DATA]\nKOSUU=3\nNUM0=\nMESSAGE0=メモ\nNUM2=1234\n"));
    EXPECT_EQ(loaded.rows, (std::vector<StoredRow>{{"", "", S("メモ")}, {"", "", ""}, {"1234", "", ""}}));
}

TEST(SettingsSave, LineEndsInsideValuesBecomeBlanks)
{
    LoadedSettings loaded;
    loaded.rows = {{"1234", "t", "a\r\nb\rc"}};
    loaded.settings.smtpServer = "smtp\n[MEIGARA_DATA]";
    const std::string saved = SavedText("", loaded);
    EXPECT_NE(saved.find("\r\nMESSAGE0=a  b c\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nSMTP=smtp [MEIGARA_DATA]\r\n"), std::string::npos);
    EXPECT_EQ(LoadText(saved).rows, (std::vector<StoredRow>{{"1234", "t", "a  b c"}}));
}

TEST(SettingsSave, ValuesWithOuterBlanksOrQuotesLoadBackAsTheyWere)
{
    // The reader drops outer blanks and one pair of quotes: such values are
    // written inside a pair of quotes of their own.
    LoadedSettings loaded;
    loaded.rows = {{"7203", S("東証 "), " memo "}, {"6758", "t", "\"quoted\""}, {"9984", "t", "\t"},
                   {"8306", "t", "'single'"}, {"4755", "t", "\"half"}};
    loaded.settings.smtpServer = "  mail.example.jp";
    const std::string saved = SavedText("", loaded);
    EXPECT_NE(saved.find("\r\nMESSAGE0=\" memo \"\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nMESSAGE4=\"half\r\n"), std::string::npos);
    const LoadedSettings reloaded = LoadText(saved);
    EXPECT_EQ(reloaded.rows, loaded.rows);
    EXPECT_EQ(reloaded.settings.smtpServer, loaded.settings.smtpServer);
}

TEST(SettingsLoad, WindowPiecesReadsFirstDashLastOrFallsBackToTheDefault)
{
    const PieceWindow fallback;
    const std::vector<std::pair<const char*, PieceWindow>> cases{
        {"", fallback},
        {"WINDOW_PIECES=151-201\n", fallback},
        {"WINDOW_PIECES=1-300\n", {1, 300}},
        {"window_pieces = \"78-98\"\n", {78, 98}}, // the profile reader drops blanks and quotes
        {"WINDOW_PIECES=\" 78-98\"\n", fallback},    // quoted blanks stay
        {"WINDOW_PIECES=1-2000\n", {1, 2000}},
        {"WINDOW_PIECES=1-2001\n", fallback},   // more than 2,000 pieces
        {"WINDOW_PIECES=0-10\n", fallback},     // pieces count from 1
        {"WINDOW_PIECES=201-151\n", fallback},
        {"WINDOW_PIECES=151-\n", fallback},
        {"WINDOW_PIECES=+1-5\n", fallback},
        {"WINDOW_PIECES=1 - 5\n", fallback},
        {"WINDOW_PIECES=1-5x\n", fallback},
        {"WINDOW_PIECES=99999999999999999999999-1\n", fallback},
        {"WINDOW_PIECES=一-二\n", fallback},
    };
    for (const auto& [line, window] : cases) {
        const Settings s = LoadText(SjisCrlfFile((std::string("[LINK_JOUHOU]\n") + line).c_str())).settings;
        EXPECT_EQ(s.quoteWindow, window) << line;
    }
    EXPECT_EQ(PieceWindowText({1, 2000}), "1-2000");
}

TEST(SettingsSave, WindowPiecesIsWrittenOnlyWhenItIsNotTheDefault)
{
    // A file that never changed the window keeps its exact bytes.
    const std::string first = SavedText("", LoadText(""));
    const std::string before = SavedText(first, LoadText(first));
    ASSERT_EQ(before.find("WINDOW_PIECES"), std::string::npos);
    EXPECT_EQ(SavedText(before, LoadText(before)), before);
    for (const char* dropped : {"WINDOW_PIECES=151-201\r\n", "WINDOW_PIECES=9-x\r\n"}) {
        std::string with = before;
        with.insert(with.find("BASE_URL="), dropped);
        EXPECT_EQ(SavedText(with, LoadText(with)), before) << dropped;
    }

    // Another window follows the rule keys, before the addresses.
    LoadedSettings moved = LoadText(before);
    moved.settings.quoteWindow = {78, 98};
    std::string expected = before;
    expected.insert(expected.find("BASE_URL="), "WINDOW_PIECES=78-98\r\n");
    const std::string saved = SavedText(before, moved);
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(LoadText(saved).settings.quoteWindow, (PieceWindow{78, 98}));
    EXPECT_EQ(SavedText(saved, LoadText(saved)), saved);
}

TEST(SettingsSave, RulesSetFromTheirTextAreWrittenUnlessBuiltIn)
{
    LoadedSettings loaded = LoadText("");
    const std::string price = S("[現在値]_<dd class=\"price\">_</dd>");
    SetMarkerRuleText(loaded.settings, RulePrice, price);
    SetMarkerRuleText(loaded.settings, RuleKey, "[key]_<dl class=\"quote\">");
    SetMarkerRuleText(loaded.settings, RuleName, DefaultMarkerRuleText(RuleName));
    EXPECT_EQ(loaded.settings.markerRules[RulePrice], Rule(S("[現在値]"), "<dd class=\"price\">", "</dd>"));

    const std::string saved = SavedText("", loaded);
    EXPECT_NE(saved.find("[LINK_JOUHOU]\r\nkey=[key]_<dl class=\"quote\">\r\ngenzaiti=" + price + "\r\nBASE_URL="),
              std::string::npos)
        << saved;
    const Settings again = LoadText(saved).settings;
    EXPECT_EQ(again.markerRules, loaded.settings.markerRules);
    EXPECT_EQ(MarkerRuleText(again.markerRules[RulePrice], false), price);
    EXPECT_EQ(MarkerRuleText(again.markerRules[RuleKey], true), "[key]_<dl class=\"quote\">");
}

TEST(SettingsBadInput, EmptyOrMeaninglessFilesGiveTheDefaults)
{
    std::mt19937 random(20240611);
    std::string junk(1 << 20, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    for (const std::string& text : {std::string(), std::string("\r\n\r\n"), std::string("\0\0\0", 3), junk,
                                    SjisCrlfFile("[MEIGARA_DATA]\nKOSUU\nCHKOPENURL\nNUM0\n[SPECIALKEY]\nKABUKAUPDATETIME\n")}) {
        SCOPED_TRACE(text.substr(0, 40));
        const auto loaded = LoadText(text);
        EXPECT_TRUE(loaded.rows.empty());
        ExpectSameSettings(loaded.settings, Settings());
    }

    // Random bytes stay in the file byte for byte; only line ends become CRLF.
    std::string normalised;
    for (std::size_t i = 0; i < junk.size(); ++i) {
        const bool lineEnd = junk[i] == '\r' || junk[i] == '\n';
        normalised += lineEnd ? std::string("\r\n") : std::string(1, junk[i]);
        i += junk[i] == '\r' && i + 1 < junk.size() && junk[i + 1] == '\n';
    }
    if (!normalised.ends_with("\r\n"))
        normalised += "\r\n";
    const std::string saved = SavedText(junk, LoadText(junk));
    EXPECT_EQ(saved.substr(0, normalised.size()), normalised);
    EXPECT_TRUE(LoadText(saved).rows.empty());
}

TEST(SettingsBadInput, AProgramSectionWrittenTwiceLoadsTheSameAfterASave)
{
    // The load reads the first of two sections; the save must not leave the
    // second one to be read at the next start.
    const std::string before = "[LINK_JOUHOU]\r\nTOSYOU=T\r\n[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\n"
                               "[LINK_JOUHOU]\r\nkey=[k]_<b>\r\nTOSYOU=X\r\n[MEIGARA_DATA]\r\nKOSUU=2\r\n";
    const LoadedSettings loaded = LoadText(before);
    ASSERT_EQ(loaded.settings.markerRules, Settings().markerRules);
    ASSERT_EQ(loaded.settings.marketCodes[0], "T");
    const LoadedSettings reloaded = LoadText(SavedText(before, loaded));
    ExpectSameSettings(reloaded.settings, loaded.settings);
    EXPECT_EQ(reloaded.rows, loaded.rows);
}

TEST(SettingsBadInput, RowCountsOutOfRange)
{
    const std::vector<std::tuple<const char*, std::size_t, std::size_t>> cases{
        // KOSUU, fewest and most rows
        {"abc", 0, 0}, {"-3", 0, 0}, {"0", 0, 0}, {"", 0, 0}, {" 2x", 2, 2},
        {"99999999999", 0, kMaxStoredRows}, {"2147483647", 0, kMaxStoredRows}};
    for (const auto& [kosuu, fewest, most] : cases) {
        const auto rows = LoadText("[MEIGARA_DATA]\r\nKOSUU=" + std::string(kosuu) + "\r\nNUM0=1\r\n").rows;
        EXPECT_TRUE(rows.size() >= fewest && rows.size() <= most) << "KOSUU=" << kosuu << ": " << rows.size();
    }

    // Only the first fifteen of twenty rows are kept.
    std::string twenty = "[MEIGARA_DATA]\r\nKOSUU=20\r\n";
    for (int i = 0; i < 20; ++i)
        twenty += "NUM" + std::to_string(i) + "=" + std::to_string(1000 + i) + "\r\n";
    const auto loaded = LoadText(twenty);
    ASSERT_EQ(loaded.rows.size(), 15u);
    EXPECT_EQ(loaded.rows.front().code, "1000");
    EXPECT_EQ(loaded.rows.back().code, "1014");
    const auto saved = ProfileFile::Parse(SavedText(twenty, loaded));
    EXPECT_EQ(saved.Find("MEIGARA_DATA", "KOSUU"), "15");
    EXPECT_EQ(saved.Find("MEIGARA_DATA", "NUM14"), "1014");
    EXPECT_EQ(saved.Find("MEIGARA_DATA", "NUM15"), std::nullopt);
}

TEST(SettingsBadInput, OverlongValuesAreCutBetweenCharacters)
{
    std::string a200;
    for (int i = 0; i < 200; ++i)
        a200 += S("あ");
    const auto loaded = LoadText("[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=x" + a200 + "\r\nSIJOU0=" +
                                 std::string(100, 's') + "\r\nMESSAGE0=" + a200 + "\r\n[SPECIALKEY]\r\nSMTP=" +
                                 std::string(5000, 'm') + "\r\n");
    ASSERT_EQ(loaded.rows.size(), 1u);
    EXPECT_EQ(loaded.rows[0].code, "x" + a200.substr(0, 22));   // 25-byte buffer: 23 bytes fit whole
    EXPECT_EQ(loaded.rows[0].market, std::string(24, 's'));
    EXPECT_EQ(loaded.rows[0].memo, a200.substr(0, 254));        // 256-byte buffer
    EXPECT_EQ(loaded.settings.smtpServer, std::string(511, 'm')); // 512-byte buffer

    // Market letters keep at most four bytes, never half a character.
    const Settings s = LoadText(SjisCrlfFile("[LINK_JOUHOU]\nTOSYOU=tokyo\nJASDAQ=東証\nOOSAKA=x東証\n")).settings;
    EXPECT_EQ(s.marketCodes, (std::array<std::string, kMarketCount>{"toky", S("東証"), "j", "x" + S("東"), "n", "f", "s"}));
}

TEST(SettingsFile, FirstSaveCreatesTheFileAndLoadsBackTheSame)
{
    TempDir dir;
    const std::string path = SettingsFilePath(dir.path.string());
    EXPECT_EQ(path, dir / "base_data.ini");
    EXPECT_EQ(SettingsFilePath("/opt/zelmora/"), "/opt/zelmora/base_data.ini");
#ifndef _WIN32
    EXPECT_EQ(SettingsFilePath("/opt/zelmora\\"), "/opt/zelmora\\/base_data.ini");
#endif
    EXPECT_EQ(SettingsFilePath(""), "base_data.ini");
    const Settings defaults;
    ASSERT_TRUE(SaveSettingsFile(path, defaults, {{"7203", S("東証"), ""}}));
    const std::string saved = ReadAll(path);
    EXPECT_TRUE(saved.starts_with(SjisCrlfFile("[MEIGARA_DATA]\nNUM0=7203\nSIJOU0=東証\nMESSAGE0=\nKOSUU=1\nCHKOPENURL=1\n"
                                       "CHKGOTASK=0\nSELECTEDITEM=0\n[LINK_JOUHOU]\nBASE_URL=")))
        << saved;
    EXPECT_NE(saved.find(SjisCrlfFile("[SPECIALKEY]\nTEKIJIMAIL=0\nKABUKAMAIL=0\nKABUKAUPDATETIME=30\nSMTP=\nADDRESS=\n")),
              std::string::npos);
    const auto loaded = LoadSettings(ProfileFile::Load(path));
    EXPECT_EQ(loaded.rows, (std::vector<StoredRow>{{"7203", S("東証"), ""}}));
    ExpectSameSettings(loaded.settings, defaults);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"base_data.ini"});
}

TEST(SettingsFile, FileWithAMailLoginIsTheOwnersAloneWhateverTheUmask)
{
    const struct {
        std::optional<mode_t> before; // no file yet when missing
        const char* user;
        const char* password;
        bool inStore;
        mode_t umask;
        mode_t after;
        bool toldOnStderr;
    } cases[] = {
        {std::nullopt, "", "", false, 022, 0644, false},
        {std::nullopt, "", "", false, 077, 0644, false},
        {0640, "", "", false, 022, 0640, false},
        {std::nullopt, "taro", "pw", false, 0, 0600, false},
        {0644, "taro", "pw", false, 022, 0600, true},
        {0604, "taro", "", false, 077, 0600, true},
        {0644, "taro", "pw", true, 022, 0600, true},
        {0600, "taro", "pw", false, 0, 0600, false},
        {0400, "taro", "pw", false, 022, 0400, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::oct << "before " << c.before.value_or(0) << " umask " << c.umask << " "
                                          << c.user << "/" << c.password);
        TempDir dir;
        const std::string path = dir / "base_data.ini";
        if (c.before) {
            WriteAll(path, "[SPECIALKEY]\r\n");
            ASSERT_EQ(chmod(path.c_str(), *c.before), 0);
        }
        Settings settings;
        settings.smtpUser = c.user;
        settings.smtpPassword = c.password;
        settings.smtpPasswordInStore = c.inStore;
        const mode_t umaskBefore = umask(c.umask);
        ::testing::internal::CaptureStderr();
        const bool saved = SaveSettingsFile(path, settings, {});
        const std::string told = ::testing::internal::GetCapturedStderr();
        umask(umaskBefore);
        ASSERT_TRUE(saved);
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.after);
        EXPECT_EQ(told, c.toldOnStderr ? path + " holds a mail login and was readable by others: it is now readable by you alone\n"
                                       : "");
        EXPECT_EQ(LoadSettings(ProfileFile::Load(path)).settings.smtpUser, c.user);
    }
}

TEST(SettingsFile, FiftyMegabyteFileLoadsAndSaves)
{
    TempDir dir;
    const std::string path = dir / "base_data.ini";
    std::string archive = "[ARCHIVE]\r\n";
    for (int i = 0; archive.size() < (50u << 20); ++i)
        archive += "LINE" + std::to_string(i) + "=" + std::string(1000, static_cast<char>('a' + i % 26)) + "\r\n";
    WriteAll(path, "[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\n[SPECIALKEY]\r\nTEKIJIMAIL=1\r\n" + archive
                       + "[LINK_JOUHOU]\r\nTOSYOU=x\r\nMESSAGE=" + std::string(1 << 20, 'M') + "\r\n");

    const auto loaded = LoadSettings(ProfileFile::Load(path));
    EXPECT_EQ(loaded.rows, (std::vector<StoredRow>{{"7203", "", ""}}));
    EXPECT_EQ(loaded.settings.disclosureMailOn, 1);
    EXPECT_EQ(loaded.settings.marketCodes[0], "x");

    ASSERT_TRUE(SaveSettingsFile(path, loaded.settings, loaded.rows));
    const std::string saved = ReadAll(path);
    EXPECT_NE(saved.find(archive), std::string::npos);
    EXPECT_EQ(saved.find(std::string(1000, 'M')), std::string::npos);
    EXPECT_NE(saved.find("\r\n[MEIGARA_DATA]\r\nNUM0=7203\r\n"), std::string::npos);
}

TEST(SettingsFile, SaveFailsWhereNoFileCanBeWritten)
{
    TempDir dir;
    EXPECT_FALSE(SaveSettingsFile(dir / "missing/base_data.ini", Settings(), {}));
    WriteAll(dir / "plain", "not a folder");
    EXPECT_FALSE(SaveSettingsFile(dir / "plain/base_data.ini", Settings(), {}));
    fs::create_directory(dir / "base_data.ini");
    EXPECT_FALSE(SaveSettingsFile(dir / "base_data.ini", Settings(), {}));
    EXPECT_EQ(ReadAll(dir / "plain"), "not a folder");
    EXPECT_EQ(dir.Entries().size(), 2u);
}

TEST(SettingsFile, FailedWriteLeavesTheOldFileIntact)
{
    // A file-size limit makes the new file's write fail, even for root.
    TempDir dir;
    const std::string path = dir / "base_data.ini";
    const std::string old = SjisCrlfFile("[MEIGARA_DATA]\nKOSUU=1\nNUM0=7203\n[SPECIALKEY]\nORVEKSENYOU=1\n");
    WriteAll(path, old);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(SaveSettingsFile(path, Settings(), {}) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save reported success";
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"base_data.ini"});
}

TEST(SettingsFile, FolderOrFileWithoutPermissionKeepsTheOldFile)
{
    // Replacing an unreadable file would drop every key the program does not own.
    for (const bool unreadableFile : {false, true}) {
        TempDir dir;
        const std::string path = dir / "base_data.ini";
        WriteAll(path, "[SPECIALKEY]\r\nORVEKSENYOU=1\r\n");
        if (unreadableFile)
            ASSERT_EQ(chmod(path.c_str(), 0), 0);
        else
            fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
        const int probe = unreadableFile ? open(path.c_str(), O_RDONLY)
                                         : open((dir / "probe").c_str(), O_WRONLY | O_CREAT, 0600);
        if (probe >= 0) {
            close(probe);
            GTEST_SKIP() << "permissions do not stop reads or writes for this user";
        }
        EXPECT_FALSE(SaveSettingsFile(path, Settings(), {})) << unreadableFile;
        chmod(path.c_str(), 0600);
        EXPECT_EQ(ReadAll(path), "[SPECIALKEY]\r\nORVEKSENYOU=1\r\n") << unreadableFile;
    }
}

// A file an editor saved as UTF-8 is read as UTF-8 and saved in Shift_JIS,
// the program's lines and the others; one valid in both stays Shift_JIS.
TEST(SettingsFile, AUtf8FileIsReadAsSuchAndSavedInShiftJis)
{
    const struct { std::string head, memo, loaded; bool utf8; } files[] = {
        {"", "hold", "hold", false}, {"", S("長期"), S("長期"), false}, {"", "長期", S("長期"), true},
        {"\xEF\xBB\xBF", "長期", S("長期"), true}, {"", "長期保有", "長期保有", false}, // UTF-8 that is Shift_JIS too
    };
    for (const auto& f : files) {
        TempDir dir;
        const std::string path = dir / "base_data.ini";
        WriteAll(path, f.head + "[USER]\r\nnote=" + f.memo + "\r\n[MEIGARA_DATA]\r\nKOSUU=1\r\nMESSAGE0=" + f.memo);
        const LoadedSettings loaded = LoadSettings(ProfileFile::Load(path));
        EXPECT_EQ(std::to_string(loaded.readAsUtf8) + loaded.rows.at(0).memo, std::to_string(f.utf8) + f.loaded);
        ASSERT_TRUE(SaveSettingsFile(path, loaded.settings, loaded.rows));
        EXPECT_TRUE(ReadAll(path).starts_with("[USER]\r\nnote=" + f.loaded + "\r\n[MEIGARA_DATA]\r\nNUM0=\r\nSIJOU0=\r\nMESSAGE0=" +
                                              f.loaded + "\r\n"))
            << f.memo;
    }
}

// ALERT<n> moves with its row through an add, a delete and a drag, and only
// rows with a threshold write one; a file without alerts keeps its bytes.
TEST(SettingsTest, AlertThresholdsKeepTheirRowThroughAddDeleteAndDrag)
{
    const std::string plain = "[MEIGARA_DATA]\r\nNUM0=1000\r\nSIJOU0=t\r\nMESSAGE0=\r\nNUM1=2000\r\nSIJOU1=t\r\n"
                              "MESSAGE1=\r\nKOSUU=2\r\nCHKOPENURL=1\r\nCHKGOTASK=0\r\nSELECTEDITEM=0\r\n";
    const std::string settled = SavedText(SavedText(plain, LoadText(plain)), LoadText(plain));
    EXPECT_EQ(SavedText(settled, LoadText(settled)), settled);
    EXPECT_EQ(settled.find("ALERT"), std::string::npos);

    std::string withAlerts = plain;
    withAlerts.insert(withAlerts.find("KOSUU"), "ALERT1=3000__2.5\r\n");
    LoadedSettings loaded = LoadText(withAlerts);
    WatchList list;
    list.Load(loaded.rows);
    list.InsertRow(0, "3000");                                      // add: 3000 1000 2000
    list.Alert(0).thresholds = ParseAlertThresholds("_2850.5_");
    list.RemoveRow(1);                                              // delete: 3000 2000
    list.MoveRow(1, 0);                                             // drag: 2000 3000
    loaded.rows = list.StoredRows();

    const LoadedSettings again = LoadText(SavedText(withAlerts, loaded));
    ASSERT_EQ(again.rows.size(), 2u);
    EXPECT_EQ(again.rows[0].code, "2000");
    EXPECT_EQ(AlertThresholdsText(again.rows[0].alert), "3000__2.5");
    EXPECT_EQ(again.rows[1].code, "3000");
    EXPECT_EQ(AlertThresholdsText(again.rows[1].alert), "_2850.5_");
    const std::string saved = SavedText(withAlerts, loaded);
    EXPECT_NE(saved.find("ALERT0=3000__2.5\r\n"), std::string::npos);
    EXPECT_NE(saved.find("ALERT1=_2850.5_\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("ALERT2"), std::string::npos);
}
