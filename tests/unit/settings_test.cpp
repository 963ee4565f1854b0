#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/settings/profile_file.h"
#include "core/settings/settings.h"
#include "support/sjis_literals.h"

using namespace zelmora;
namespace fs = std::filesystem;

namespace {

// A settings file written in UTF-8 with "\n", as the program sees it.
std::string File(const char* utf8)
{
    const std::string sjis = S(utf8);
    std::string crlf;
    for (char c : sjis) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

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

void ExpectSameSettings(const Settings& a, const Settings& b)
{
    EXPECT_EQ(a.m_openUrlOnClick, b.m_openUrlOnClick);
    EXPECT_EQ(a.m_startInTray, b.m_startInTray);
    EXPECT_EQ(a.m_selectedItem, b.m_selectedItem);
    EXPECT_EQ(a.m_markerRules, b.m_markerRules);
    EXPECT_EQ(a.m_markerRuleValuesInFile, b.m_markerRuleValuesInFile);
    EXPECT_EQ(a.m_quoteBaseUrl, b.m_quoteBaseUrl);
    EXPECT_EQ(a.m_quoteOpenUrl, b.m_quoteOpenUrl);
    EXPECT_EQ(a.m_indexOpenUrl, b.m_indexOpenUrl);
    EXPECT_EQ(a.m_stockLinkName, b.m_stockLinkName);
    EXPECT_EQ(a.m_indexLinkName, b.m_indexLinkName);
    EXPECT_EQ(a.m_marketCodes, b.m_marketCodes);
    EXPECT_EQ(a.m_orvekUse, b.m_orvekUse);
    EXPECT_EQ(a.m_disclosureMailOn, b.m_disclosureMailOn);
    EXPECT_EQ(a.m_priceMailOn, b.m_priceMailOn);
    EXPECT_EQ(a.m_priceMailInterval, b.m_priceMailInterval);
    EXPECT_EQ(a.m_smtpServer, b.m_smtpServer);
    EXPECT_EQ(a.m_mailAddress, b.m_mailAddress);
}

MarkerRule Rule(const std::string& label, const std::string& prefix, const std::string& suffix)
{
    return {label, prefix, suffix, ""};
}

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "zelmora-settings-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Entries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

std::string Rows(int count)
{
    std::string text = "[MEIGARA_DATA]\r\nKOSUU=" + std::to_string(count) + "\r\n";
    for (int i = 0; i < count; ++i)
        text += "NUM" + std::to_string(i) + "=" + std::to_string(1000 + i) + "\r\n";
    return text;
}

} // namespace

TEST(SettingsLoad, FirstStartWithoutAFileUsesEveryDefault)
{
    const LoadedSettings loaded = LoadSettings(ProfileFile::Load("/nonexistent-folder/base_data.ini"));
    const Settings& s = loaded.settings;
    EXPECT_TRUE(loaded.rows.empty());
    EXPECT_EQ(s.m_openUrlOnClick, 1);
    EXPECT_EQ(s.m_startInTray, 0);
    EXPECT_EQ(s.m_selectedItem, 0);
    EXPECT_EQ(s.m_priceMailOn, 0);
    EXPECT_EQ(s.m_priceMailInterval, 30);
    EXPECT_EQ(s.m_disclosureMailOn, 0);
    EXPECT_EQ(s.m_orvekUse, 0);
    EXPECT_EQ(s.m_smtpServer, "");
    EXPECT_EQ(s.m_mailAddress, "");
    EXPECT_EQ(s.m_marketCodes, (std::array<std::string, kMarketCount>{"t", "q", "j", "o", "n", "f", "s"}));
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
    EXPECT_EQ(s.m_markerRules, rules);
    for (const auto& inFile : s.m_markerRuleValuesInFile)
        EXPECT_FALSE(inFile);

    const std::string query = "/q?s=" + S("銘柄.市場");
    ASSERT_GT(s.m_quoteBaseUrl.size(), query.size());
    EXPECT_EQ(s.m_quoteBaseUrl.substr(0, 7), "http://");
    EXPECT_EQ(s.m_quoteBaseUrl.substr(s.m_quoteBaseUrl.size() - query.size()), query);
    EXPECT_EQ(s.m_quoteOpenUrl, s.m_quoteBaseUrl);
    EXPECT_EQ(s.m_indexOpenUrl, s.m_quoteBaseUrl.substr(0, s.m_quoteBaseUrl.size() - query.size()) + "/q?s=998407");
    EXPECT_EQ(s.m_stockLinkName, "Yahoo finance");
    EXPECT_EQ(s.m_indexLinkName, S("Yahoo日経"));

    ExpectSameSettings(s, Settings());
}

TEST(SettingsLoad, JapaneseFileSurvivesASaveAndLoadsAgainTheSame)
{
    const std::string before = File(R"(; 設定ファイル
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
; 残すコメント
EXTRA=残す
[他のソフト]
A=あ
)");
    const LoadedSettings loaded = LoadText(before);
    const Settings& s = loaded.settings;
    EXPECT_EQ(loaded.rows, (std::vector<StoredRow>{{"7203", S("東証"), S("トヨタ　買い増し")}, {"9984", S("ＨＣ"), ""}}));
    EXPECT_EQ(s.m_openUrlOnClick, 0);
    EXPECT_EQ(s.m_startInTray, 1);
    EXPECT_EQ(s.m_selectedItem, 1);
    EXPECT_EQ(s.m_markerRules[RuleKey], Rule("[key]", "<tr>", ""));
    EXPECT_EQ(s.m_markerRules[RuleName], Rule(S("[銘柄名]"), "<b>", "</b>"));
    EXPECT_EQ(s.m_markerRules[RuleTime], Settings().m_markerRules[RuleTime]);
    EXPECT_EQ(s.m_stockLinkName, S("株価ページ"));
    EXPECT_EQ(s.m_marketCodes[6], "S");
    EXPECT_EQ(s.m_orvekUse, 1);
    EXPECT_EQ(s.m_disclosureMailOn, 1);
    EXPECT_EQ(s.m_priceMailInterval, 60);
    EXPECT_EQ(PriceMailStatusText(s), S("株価を60分毎にメール"));

    const std::string after = SavedText(before, loaded);
    EXPECT_EQ(after, File(R"(; 設定ファイル
[SPECIALKEY]
ORVEKSENYOU=1
TEKIJIMAIL=1
KABUKAMAIL=1
KABUKAUPDATETIME=60
SMTP=smtp.example.jp
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
    const std::string before = File(R"([LINK_JOUHOU]
KEY = '[key]_<tr> '
dekidaka=[出来高]_<td>_</td>
CUSTOM=x
[SPECIALKEY]
ORVEKSENYOU=1
MYKEY=mine
)");
    const LoadedSettings loaded = LoadText(before);
    EXPECT_EQ(loaded.settings.m_markerRules[RuleKey], Rule("[key]", "<tr> ", ""));

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

TEST(SettingsLoad, ParseMarkerRuleSplitsAtTheFirstTwoSeparators)
{
    EXPECT_EQ(ParseMarkerRule("abc", false), Rule("", "", "abc"));
    EXPECT_EQ(ParseMarkerRule("abc", true), Rule("", "abc", ""));
    EXPECT_EQ(ParseMarkerRule("[a]_pre", false), Rule("[a]", "", "[a]_pre"));
    EXPECT_EQ(ParseMarkerRule("[a]_pre", true), Rule("[a]", "pre", ""));
    EXPECT_EQ(ParseMarkerRule("[a]_pre_suf", false), Rule("[a]", "pre", "suf"));
    EXPECT_EQ(ParseMarkerRule("[a]_p_s_t", false), Rule("[a]", "p", "s_t"));
    EXPECT_EQ(ParseMarkerRule("[a]_p_s_t", true), Rule("[a]", "p_s_t", ""));
    EXPECT_EQ(ParseMarkerRule("_p_s", false), Rule("", "p", "s"));
    EXPECT_EQ(ParseMarkerRule("a__", false), Rule("a", "", ""));
    EXPECT_EQ(ParseMarkerRule("", false), Rule("", "", ""));
    EXPECT_EQ(ParseMarkerRule("", true), Rule("", "", ""));
}

TEST(SettingsLoad, ParseMarkerRuleIgnoresUnderscoresInsideDoubleByteCharacters)
{
    // ダ is 83 5F, 神 90 5F, 点 93 5F: each ends in the byte of "_".
    ASSERT_EQ(S("ダ神点"), "\x83\x5F\x90\x5F\x93\x5F");
    EXPECT_EQ(ParseMarkerRule(S("[ダ神]_<b>_</b>"), false), Rule(S("[ダ神]"), "<b>", "</b>"));
    EXPECT_EQ(ParseMarkerRule(S("[x]_a点b_c点"), false), Rule("[x]", S("a点b"), S("c点")));
    EXPECT_EQ(ParseMarkerRule(S("[神]_x"), true), Rule(S("[神]"), "x", ""));
    EXPECT_EQ(ParseMarkerRule(S("神点"), false), Rule("", "", S("神点")));
    EXPECT_EQ(ParseMarkerRule(S("神点"), true), Rule("", S("神点"), ""));
}

TEST(SettingsLoad, MailStatusTexts)
{
    const auto load = [](const char* special) { return LoadText(File(special)).settings; };
    EXPECT_EQ(PriceMailStatusText(load("[SPECIALKEY]\nKABUKAMAIL=1\nKABUKAUPDATETIME=300\n")), S("株価場終了後にメール"));
    EXPECT_EQ(PriceMailStatusText(load("[SPECIALKEY]\nKABUKAMAIL=1\nKABUKAUPDATETIME=10\n")), S("株価を10分毎にメール"));
    EXPECT_EQ(PriceMailStatusText(load("[SPECIALKEY]\nKABUKAMAIL=1\n")), S("株価を30分毎にメール"));
    EXPECT_EQ(PriceMailStatusText(load("[SPECIALKEY]\nKABUKAMAIL=0\nKABUKAUPDATETIME=300\n")), "");
    EXPECT_EQ(PriceMailStatusText(load("[SPECIALKEY]\nKABUKAMAIL=2\n")), "");
    EXPECT_EQ(DisclosureMailStatusText(load("[SPECIALKEY]\nTEKIJIMAIL=1\n")), S("適時開示をメール"));
    EXPECT_EQ(DisclosureMailStatusText(load("[SPECIALKEY]\nTEKIJIMAIL=2\n")), "");
}

TEST(SettingsLoad, MarketLettersKeepAtMostFourBytes)
{
    const Settings s = LoadText(File("[LINK_JOUHOU]\nTOSYOU=tokyo\nJASDAQ=東証\nOOSAKA=x東証\n")).settings;
    EXPECT_EQ(s.m_marketCodes[0], "toky");
    EXPECT_EQ(s.m_marketCodes[1], S("東証"));
    EXPECT_EQ(s.m_marketCodes[2], "j");
    EXPECT_EQ(s.m_marketCodes[3], "x" + S("東"));
}

TEST(SettingsLoad, RowsWithEmptyOrMissingCodesAreStillInserted)
{
    const auto loaded = LoadText(File("[MEIGARA_DATA]\nKOSUU=3\nNUM0=\nMESSAGE0=メモ\nNUM2=1234\n"));
    EXPECT_EQ(loaded.rows, (std::vector<StoredRow>{{"", "", S("メモ")}, {"", "", ""}, {"1234", "", ""}}));
}

TEST(SettingsSave, LineEndsInsideValuesBecomeBlanks)
{
    LoadedSettings loaded;
    loaded.rows = {{"1234", "t", "a\r\nb\rc"}};
    loaded.settings.m_smtpServer = "smtp\n[MEIGARA_DATA]";
    const std::string saved = SavedText("", loaded);
    EXPECT_NE(saved.find("\r\nMESSAGE0=a  b c\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nSMTP=smtp [MEIGARA_DATA]\r\n"), std::string::npos);
    const auto again = LoadText(saved);
    EXPECT_EQ(again.rows, (std::vector<StoredRow>{{"1234", "t", "a  b c"}}));
}

TEST(SettingsBadInput, EmptyOrMeaninglessFilesGiveTheDefaults)
{
    for (const std::string& text : {std::string(), std::string("\r\n\r\n"), std::string("\0\0\0", 3),
                                    File("[MEIGARA_DATA]\nKOSUU\nCHKOPENURL\nNUM0\n[SPECIALKEY]\nKABUKAUPDATETIME\n")}) {
        const auto loaded = LoadText(text);
        EXPECT_TRUE(loaded.rows.empty());
        ExpectSameSettings(loaded.settings, Settings());
    }
}

TEST(SettingsBadInput, RowCountsOutOfRange)
{
    for (const char* kosuu : {"abc", "-3", "0", ""})
        EXPECT_TRUE(LoadText("[MEIGARA_DATA]\r\nKOSUU=" + std::string(kosuu) + "\r\nNUM0=1\r\n").rows.empty()) << kosuu;
    EXPECT_EQ(LoadText("[MEIGARA_DATA]\r\nKOSUU= 2x\r\n").rows.size(), 2u);
    EXPECT_LE(LoadText("[MEIGARA_DATA]\r\nKOSUU=99999999999\r\n").rows.size(), kMaxStoredRows);
    EXPECT_LE(LoadText("[MEIGARA_DATA]\r\nKOSUU=2147483647\r\n").rows.size(), kMaxStoredRows);
}

TEST(SettingsBadInput, OnlyTheFirstFifteenOfTwentyRowsAreKept)
{
    const auto loaded = LoadText(Rows(20));
    ASSERT_EQ(loaded.rows.size(), 15u);
    EXPECT_EQ(loaded.rows.front().code, "1000");
    EXPECT_EQ(loaded.rows.back().code, "1014");
    const auto saved = ProfileFile::Parse(SavedText(Rows(20), loaded));
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
    EXPECT_EQ(loaded.settings.m_smtpServer, std::string(511, 'm')); // 512-byte buffer
}

TEST(SettingsBadInput, RandomBytesLoadAsDefaultsAndStayInTheFile)
{
    std::mt19937 random(20240611);
    std::string junk(1 << 20, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    const auto loaded = LoadText(junk);
    EXPECT_TRUE(loaded.rows.empty());
    ExpectSameSettings(loaded.settings, Settings());

    // Untouched text is kept byte for byte, only line ends become CRLF.
    std::string normalised;
    for (std::size_t i = 0; i < junk.size(); ++i) {
        if (junk[i] == '\r' || junk[i] == '\n') {
            normalised += "\r\n";
            if (junk[i] == '\r' && i + 1 < junk.size() && junk[i + 1] == '\n')
                ++i;
        } else {
            normalised += junk[i];
        }
    }
    if (normalised.size() < 2 || normalised.substr(normalised.size() - 2) != "\r\n")
        normalised += "\r\n";
    const std::string saved = SavedText(junk, loaded);
    EXPECT_EQ(saved.substr(0, normalised.size()), normalised);
    EXPECT_EQ(LoadText(saved).rows.size(), 0u);
}

TEST(SettingsFile, FirstSaveCreatesTheFileAndLoadsBackTheSame)
{
    TempDir dir;
    const std::string path = SettingsFilePath(dir.Path().string());
    EXPECT_EQ(path, dir / "base_data.ini");
    EXPECT_EQ(SettingsFilePath("/opt/zelmora/"), "/opt/zelmora/base_data.ini");
    EXPECT_EQ(SettingsFilePath(""), "base_data.ini");
    const Settings defaults;
    ASSERT_TRUE(SaveSettingsFile(path, defaults, {{"7203", S("東証"), ""}}));
    const std::string saved = ReadAll(path);
    const std::string head = File("[MEIGARA_DATA]\nNUM0=7203\nSIJOU0=東証\nMESSAGE0=\nKOSUU=1\nCHKOPENURL=1\n"
                                  "CHKGOTASK=0\nSELECTEDITEM=0\n[LINK_JOUHOU]\nBASE_URL=");
    EXPECT_EQ(saved.substr(0, head.size()), head);
    EXPECT_NE(saved.find(File("[SPECIALKEY]\nTEKIJIMAIL=0\nKABUKAMAIL=0\nKABUKAUPDATETIME=30\nSMTP=\nADDRESS=\n")),
              std::string::npos);
    const auto loaded = LoadSettings(ProfileFile::Load(path));
    EXPECT_EQ(loaded.rows, (std::vector<StoredRow>{{"7203", S("東証"), ""}}));
    ExpectSameSettings(loaded.settings, defaults);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"base_data.ini"});
}

TEST(SettingsFile, FiftyMegabyteFileLoadsAndSaves)
{
    TempDir dir;
    const std::string path = dir / "base_data.ini";
    std::string block;
    for (int i = 0; block.size() < (1u << 20); ++i)
        block += "LINE" + std::to_string(i) + "=" + std::string(1000, static_cast<char>('a' + i % 26)) + "\r\n";
    std::string archive = "[ARCHIVE]\r\n";
    archive.reserve(51u << 20);
    while (archive.size() < (50u << 20))
        archive += block;
    std::ofstream(path, std::ios::binary) << "[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\n[SPECIALKEY]\r\nTEKIJIMAIL=1\r\n"
                                          << archive << "[LINK_JOUHOU]\r\nTOSYOU=x\r\nMESSAGE="
                                          << std::string(1 << 20, 'M') << "\r\n";

    const auto loaded = LoadSettings(ProfileFile::Load(path));
    EXPECT_EQ(loaded.rows, (std::vector<StoredRow>{{"7203", "", ""}}));
    EXPECT_EQ(loaded.settings.m_disclosureMailOn, 1);
    EXPECT_EQ(loaded.settings.m_marketCodes[0], "x");

    ASSERT_TRUE(SaveSettingsFile(path, loaded.settings, loaded.rows));
    const std::string saved = ReadAll(path);
    EXPECT_NE(saved.find(archive), std::string::npos);
    EXPECT_EQ(saved.find(std::string(1000, 'M')), std::string::npos);
    EXPECT_NE(saved.find("\r\n[MEIGARA_DATA]\r\nNUM0=7203\r\n"), std::string::npos);
}

TEST(SettingsFile, SaveFailsWhereNoFileCanBeWritten)
{
    TempDir dir;
    const Settings s;
    EXPECT_FALSE(SaveSettingsFile(dir / "missing/base_data.ini", s, {}));
    WriteAll(dir / "plain", "not a folder");
    EXPECT_FALSE(SaveSettingsFile(dir / "plain/base_data.ini", s, {}));
    fs::create_directory(dir / "base_data.ini");
    EXPECT_FALSE(SaveSettingsFile(dir / "base_data.ini", s, {}));
    EXPECT_EQ(ReadAll(dir / "plain"), "not a folder");
    EXPECT_EQ(Entries(dir.Path()).size(), 2u);
}

TEST(SettingsFile, FailedWriteLeavesTheOldFileIntact)
{
    // A file-size limit makes the new file's write fail, even for root.
    TempDir dir;
    const std::string path = dir / "base_data.ini";
    const std::string old = File("[MEIGARA_DATA]\nKOSUU=1\nNUM0=7203\n[SPECIALKEY]\nORVEKSENYOU=1\n");
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
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"base_data.ini"});
}

TEST(SettingsFile, ReadOnlyFolderKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir / "base_data.ini";
    WriteAll(path, "[SPECIALKEY]\r\nSMTP=old\r\n");
    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    const int probe = open((dir / "probe").c_str(), O_WRONLY | O_CREAT, 0600);
    if (probe >= 0) {
        close(probe);
        GTEST_SKIP() << "permissions do not stop writes for this user";
    }
    EXPECT_FALSE(SaveSettingsFile(path, Settings(), {}));
    EXPECT_EQ(ReadAll(path), "[SPECIALKEY]\r\nSMTP=old\r\n");
}

TEST(SettingsFile, UnreadableFileIsNotReplaced)
{
    // Replacing it would drop every key the program does not own.
    TempDir dir;
    const std::string path = dir / "base_data.ini";
    WriteAll(path, "[SPECIALKEY]\r\nORVEKSENYOU=1\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    const int probe = open(path.c_str(), O_RDONLY);
    if (probe >= 0) {
        close(probe);
        GTEST_SKIP() << "permissions do not stop reads for this user";
    }
    EXPECT_FALSE(SaveSettingsFile(path, Settings(), {}));
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(ReadAll(path), "[SPECIALKEY]\r\nORVEKSENYOU=1\r\n");
}
