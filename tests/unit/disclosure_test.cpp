#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/disclosure/listing_scan.h"
#include "core/settings/settings.h"
#include "support/page_builders.h"

using namespace zelmora;
namespace fs = std::filesystem;

namespace zelmora {

void PrintTo(const ListingHit& hit, std::ostream* out)
{
    *out << "{" << hit.keyIndex << ", \"" << hit.time << "\", \"" << hit.href << "\", \"" << hit.title << "\"}";
}

} // namespace zelmora

namespace {

std::vector<ListingHit> Hits(const std::string& page, const std::vector<std::string>& keys)
{
    std::vector<ListingHit> hits;
    ScanListingPage(page, keys, [&](const ListingHit& hit) {
        hits.push_back(hit);
        return true;
    });
    return hits;
}

struct ScanCase {
    const char* what;
    std::string page;
    std::vector<ListingHit> hits;
};

} // namespace

TEST(ListingScan, CutsTimeLinkAndTitleAroundEveryHit)
{
    const std::string title = S("決算短信_連結");
    const std::vector<ScanCase> cases = {
        {"a full entry", ListingEntry("15:00", "72030", "a.pdf", title), {{0, "15:00", "a.pdf", title, ""}}},
        {"the key inside a longer number", ListingEntry("09:30", "987203012", "b.pdf", "T"), {{0, "09:30", "b.pdf", "T", ""}}},
        {"two entries of one stock", ListingEntry("15:00", "72030", "a.pdf", "A") + ListingEntry("15:30", "72030", "b.pdf", "B"),
         {{0, "15:00", "a.pdf", "A", ""}, {0, "15:30", "b.pdf", "B", ""}}},
        {"a colon after the key is no time", "<td>72030 10:00 <a href=\"a.pdf\">\nT\n", {{0, "", "a.pdf", "T", ""}}},
        {"a colon further back than the entry is no time",
         "12:00" + std::string(60, ' ') + "72030<a href=\"a.pdf\">\nT\n", {{0, "", "a.pdf", "T", ""}}},
        {"a time at the start of the page", "5:00 72030 <a href=\"a.pdf\">\nT\n", {{0, "5:00", "a.pdf", "T", ""}}},
        {"no link after the key", "<td>10:00</td><td>72030</td>\nT\n", {{0, "10:00", "", "", ""}}},
        {"a link that never closes", "<td>10:00</td><td>72030</td><a href=\"a.pdf\n", {{0, "10:00", "", "", ""}}},
        {"a link on the last line", "<td>10:00</td><td>72030</td><a href=\"a.pdf\">", {{0, "10:00", "a.pdf", "", ""}}},
        {"a title on the last line", "<td>10:00</td><td>72030</td><a href=\"a.pdf\">\n\t T  ", {{0, "10:00", "a.pdf", "T  ", ""}}},
        {"an empty link", "<td>10:00</td><td>72030</td><a href=\"\">\nT\n", {{0, "10:00", "", "T", ""}}},
        {"lines ending in CRLF", "<td>10:00</td>\r\n<td>72030</td>\r\n<a href=\"a.pdf\">\r\n T\r\n",
         {{0, "10:00", "a.pdf", "T", ""}}},
        {"a key at the very start is markup, not an entry", "72030 <a href=\"a.pdf\">\nT\n", {}},
        {"the exchange's layout with the name line", "<td>10:00</td>\n<td>72030</td>\n<td>N</td>\n<td><a href=\"a.pdf\">\n T\n",
         {{0, "10:00", "a.pdf", "T", ""}}},
        // A key with no link of its own among its lines does not take the next entry's.
        {"a link further on belongs to another entry", "<td>10:00</td><td>72030</td>\n\n\n\n\n<a href=\"a.pdf\">\nT\n",
         {{0, "10:00", "", "", ""}}},
        // Quotes and line breaks are bytes: a stray lead byte before them does not hide them.
        {"a lead byte before the closing quote", "<td>72030</td><a href=\"a\x81\">\nT\n", {{0, "", "a\x81", "T", ""}}},
        {"a lead byte before the title's line end", "<td>72030</td><a href=\"a\">\nT\x81\nU\n", {{0, "", "a", "T\x81", ""}}},
        {"a title further on belongs to another entry", "<td>72030</td>\n\n\n\n<a href=\"a.pdf\">\nT\n", {{0, "", "a.pdf", "", ""}}},
    };
    for (const ScanCase& c : cases)
        EXPECT_EQ(Hits(c.page, {"72030"}), c.hits) << c.what;

    // The pass stops taking hits when it is told to end.
    int taken = 0;
    ScanListingPage(ListingEntry("15:00", "72030", "a.pdf", "A") + ListingEntry("15:30", "72030", "b.pdf", "B"), {"72030"},
                    [&](const ListingHit&) { return ++taken < 1; });
    EXPECT_EQ(taken, 1);
}

TEST(DocumentPath, OnlyTheLastSegmentOfALinkNamesAFile)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"140120261207.pdf", "140120261207.pdf"},
        {"sub/dir/doc.pdf", "doc.pdf"},
        {"../../../escape.pdf", "escape.pdf"},
        {"/abs/escape.pdf", "escape.pdf"},
        {"..\\..\\escape.pdf", ""},
        {"x/..", ""},
        {"x/.", ""},
        {"dir/", ""},
        {"", ""},
        {"a..b.pdf", ""},
        {"C:escape.pdf", ""},
        {"a\tb.pdf", ""},
        {std::string("a\x7f.pdf"), ""},
        {S("決算短信.pdf"), S("決算短信.pdf")},
        // A separator byte refuses the name wherever it stands, also after a lead byte.
        {"b\x81:c.pdf", ""},
        {"b\x81\\c.pdf", ""},
        {"b\x81..pdf", ""},
        {"b\x81/c.pdf", "c.pdf"},
    };
    for (const auto& [href, name] : cases)
        EXPECT_EQ(DocumentFileName(href), name) << href;
}

TEST(DocumentPath, FoldersFollowTheProgramFolderAndRefuseUnsafeCodes)
{
    EXPECT_EQ(DocumentFolder("/p/", "20261207", "7203"), "/p/20261207/7203/");
#ifdef _WIN32
    EXPECT_EQ(DocumentFolder("C:\\p\\", "20261207", "7203"), "C:\\p\\20261207\\7203\\");
#else
    EXPECT_EQ(DocumentFolder("/p\\/", "20261207", "7203"), "/p\\/20261207/7203/");
    EXPECT_EQ(DocumentFolder("/p\\", "20261207", "7203"), "/p\\/20261207/7203/");
#endif
    EXPECT_EQ(DocumentFolder("/p/", "20261207", "../x"), "");
    EXPECT_EQ(DocumentFolder("/p/", "20261207", ""), "");
    EXPECT_EQ(DocumentFolder("/p/", "20261207", "\x81/x"), "");
    EXPECT_EQ(DocumentFolder("/p/", "20261207", "\x81:x"), "");
    EXPECT_EQ(DocumentFolder("/p/", "\x81\\..", "7203"), "");
    EXPECT_EQ(HistoryFilePath("/p/", "20261207", "7203"), "/p/20261207/7203/kaijistr.txt");
}

TEST(DocumentPath, TheViewerOpensDocumentsButNeverPrograms)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"a.PDF", true}, {"a.html", true}, {"a.xml", true}, {"a.zip", true}, {"a.xbrl", true},
        {"a.pdf.exe", false}, {"a.bat", false}, {"a.lnk", false}, {"a.desktop", false}, {"pdf", false},
    };
    for (const auto& [name, openable] : cases)
        EXPECT_EQ(IsOpenableDocument(name), openable) << name;
    EXPECT_EQ(LocalDocumentPath("/p/", "20261207", "7203", "http://h/inbs/sub/a.pdf"), "/p/20261207/7203/a.pdf");
    EXPECT_EQ(LocalDocumentPath("/p/", "20261207", "7203", "a.pdf"), ""); // no "/": nothing to open
}

namespace {

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zelmora-history-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern + "/";
        path = HistoryFilePath(folder, "20261207", "7203");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    std::string folder;
    std::string path;
};

} // namespace

TEST_F(HistoryFile, LoadDropsRepeatsAndEmptyLinesCaseVariantsAreKnownEveryRecordIsOneLine)
{
    MakeDocumentPath(folder, "20261207", "7203", "a.pdf");
    std::ofstream(path, std::ios::binary) << "10:00 A _http://h/inbs/A.PDF\n\r\n10:00 A _http://h/inbs/A.PDF\r\n10:00 a _x";
    EXPECT_FALSE(RecordDisclosure(path, "10:00 A ", "http://h/inbs/", "a.pdf"));
    EXPECT_TRUE(RecordDisclosure(path, S("10:00 決算\r"), "http://h/inbs/", "b\n.pdf"));
    EXPECT_EQ(ReadHistoryLines(path), (std::vector<std::string>{"10:00 A _http://h/inbs/A.PDF", "10:00 a _x",
                                                                "10:00 A _http://h/inbs/a.pdf",
                                                                S("10:00 決算 _http://h/inbs/b .pdf")}));
}

// A link never names a file the program keeps in the stock's folder, nor one
// the start would take for a cut-short save's leftover.
TEST_F(HistoryFile, ADocumentNeverTakesTheNameOfAFileTheProgramKeeps)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"kaijistr.txt", "doc_kaijistr.txt"},      {"sub/KaijiStr.TXT", "doc_KaijiStr.TXT"},
        {"kessan.txt", "doc_kessan.txt"},          {"alert.txt", "doc_alert.txt"},
        {"KABUKA.CSV", "doc_KABUKA.CSV"},          {"kaijistr.txt.", "doc_kaijistr.txt."}, // one file on Windows
        {"kaijistr.txt.Ab12cD", "kaijistr.txt_Ab12cD"}, {"a.pdf.XXXXXX", "a.pdf_XXXXXX"},
        {"kaijistr.txt1", "kaijistr.txt1"},        {"a.pdf.Ab-12c", "a.pdf.Ab-12c"},
    };
    for (const auto& [href, name] : cases)
        EXPECT_EQ(DocumentFileName(href), name) << href;
    EXPECT_EQ(MakeDocumentPath(folder, "20261207", "7203", "/inbs/kaijistr.txt"), folder + "20261207/7203/doc_kaijistr.txt");
    EXPECT_EQ(path, folder + "20261207/7203/kaijistr.txt");
}

TEST_F(HistoryFile, AMissingFolderLosesTheRecordQuietly)
{
    EXPECT_TRUE(RecordDisclosure(path, "10:00 A ", "http://h/inbs/", "a.pdf"));
    EXPECT_TRUE(ReadHistoryLines(path).empty());
    EXPECT_TRUE(RecordDisclosure("", "10:00 A ", "http://h/inbs/", "a.pdf"));
}

TEST(DisclosureSettings, AddressesComeFromSpecialKeyAndAreNeverWritten)
{
    const std::string file = "[SPECIALKEY]\r\nTEKIJI_URL=http://127.0.0.1:8/inbs\r\nTEKIJI_TOP_URL=http://127.0.0.1:8/top\r\n";
    ProfileFile profile = ProfileFile::Parse(file);
    Settings moved = LoadSettings(profile).settings;
    EXPECT_EQ(moved.disclosureListBase, "http://127.0.0.1:8/inbs/"); // page names are appended
    EXPECT_EQ(moved.disclosurePortal, "http://127.0.0.1:8/top");
    moved.disclosureListBase = "http://elsewhere/";
    SaveSettings(profile, moved, {});
    EXPECT_EQ(LoadSettings(profile).settings.disclosureListBase, "http://127.0.0.1:8/inbs/");
    EXPECT_EQ(LoadSettings(ProfileFile::Parse("[SPECIALKEY]\r\nTEKIJI_URL=\r\n")).settings.disclosureListBase,
              Settings().disclosureListBase);
}
