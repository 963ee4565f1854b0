#include <gtest/gtest.h>

#include <string>

#include <filesystem>
#include <fstream>

#include "core/disclosure/history_line.h"
#include "core/platform/atomic_file.h"
#include "support/sjis_literals.h"

using namespace zelmora;

TEST(HistoryLine, SplitsWhereTheDocumentAddressBegins)
{
    struct Case {
        const char* line;
        const char* caption;
        const char* url;
    };
    const Case cases[] = {
        {"15:00 決算短信 _https://h/inbs/140120.pdf", "15:00 決算短信 ", "https://h/inbs/140120.pdf"},
        // A title with "_" stays whole; so does an address with "_".
        {"15:00 株主総会資料_電子提供措置事項 _https://h/x_y.pdf", "15:00 株主総会資料_電子提供措置事項 ", "https://h/x_y.pdf"},
        {"15:00 a_b _HTTP://h/x.pdf", "15:00 a_b ", "HTTP://h/x.pdf"},
        // The listing base address need not be a web address.
        {"15:00 a_b _file:///srv/inbs/x.pdf", "15:00 a_b ", "file:///srv/inbs/x.pdf"},
        // Without an address after any "_", the first "_" splits.
        {"15:00 a_b _c.pdf", "15:00 a", "b _c.pdf"},
        {"no separator", "no separator", ""},
        {"_https://h/a.pdf", "", "https://h/a.pdf"},
        // ダ ends in the byte of "_": not a separator.
        {"09:00 ダイナ _https://h/d.pdf", "09:00 ダイナ ", "https://h/d.pdf"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitHistoryLine(S(c.line), "file:///srv/inbs/"), (HistoryEntry{S(c.caption), S(c.url)})) << c.line;
}

// The double click and the menu open a disclosure through the same rule.
TEST(HistoryLine, OpeningADisclosureShowsTheLocalCopyTheAddressOrThePortal)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zelmora-history-line-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "20261207" / "7203");
    StockDisclosures stock{folder.string() + "/", "20261207", "7203", false, "https://portal/"};
    using K = DisclosureOpening;
    EXPECT_EQ(OpeningOfDisclosure(stock, 0), (K{K::WebPage, "https://portal/"})); // nothing recorded

    // The last line handled is kept once more in the file; it is read once.
    ASSERT_TRUE(WriteFileAtomically((folder / "20261207" / "7203" / "kaijistr.txt").string(),
                                    S("15:00 決算短信 _https://h/inbs/a.pdf\r\n15:30 訂正 _https://h/inbs/run.exe\r\n"
                                      "15:30 訂正 _https://h/inbs/run.exe\r\n")));
    EXPECT_EQ(ReadStockHistory(stock).size(), 2u);
    EXPECT_EQ(OpeningOfDisclosure(stock, 0), (K{K::WebPage, "https://h/inbs/a.pdf"}));
    EXPECT_EQ(OpeningOfDisclosure(stock, 1), (K{K::WebPage, "https://h/inbs/run.exe"}));
    EXPECT_EQ(OpeningOfDisclosure(stock, 2), K{});

    stock.documentsDownloaded = true;
    EXPECT_EQ(OpeningOfDisclosure(stock, 0), K{}); // not downloaded (yet)
    std::ofstream(folder / "20261207" / "7203" / "a.pdf") << "%PDF";
    std::ofstream(folder / "20261207" / "7203" / "run.exe") << "MZ";
    EXPECT_EQ(OpeningOfDisclosure(stock, 0), (K{K::LocalFile, (folder / "20261207" / "7203" / "a.pdf").string()}));
    EXPECT_EQ(OpeningOfDisclosure(stock, 1), K{}); // never a program
    std::filesystem::remove_all(folder);
}

// A notification knows its entry text, not its line: the line recorded for
// it opens, whatever "_" the title holds, as the local copy when documents
// are downloaded.
TEST(HistoryLine, OpeningAnEntryFindsItsRecordedLine)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zelmora-history-entry-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "20261207" / "6758");
    StockDisclosures stock{folder.string() + "/", "20261207", "6758", false, "https://portal/"};
    using K = DisclosureOpening;
    EXPECT_EQ(OpeningOfEntry(stock, S("13:30 資料_電子提供 ")), K{}); // nothing recorded: no portal either
    ASSERT_TRUE(WriteFileAtomically((folder / "20261207" / "6758" / "kaijistr.txt").string(),
                                    S("13:00 資料 _https://h/inbs/a.pdf\r\n13:30 資料_電子提供 _https://h/inbs/b.pdf\r\n")));
    EXPECT_EQ(OpeningOfEntry(stock, S("13:30 資料_電子提供 ")), (K{K::WebPage, "https://h/inbs/b.pdf"}));
    EXPECT_EQ(OpeningOfEntry(stock, S("13:00 資料 ")), (K{K::WebPage, "https://h/inbs/a.pdf"}));
    EXPECT_EQ(OpeningOfEntry(stock, S("13:30 資料 ")), K{});

    stock.documentsDownloaded = true;
    std::ofstream(folder / "20261207" / "6758" / "b.pdf") << "%PDF";
    EXPECT_EQ(OpeningOfEntry(stock, S("13:30 資料_電子提供 ")), (K{K::LocalFile, (folder / "20261207" / "6758" / "b.pdf").string()}));
    std::filesystem::remove_all(folder);
}
