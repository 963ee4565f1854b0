#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/quotes/page_window_cutter.h"

using namespace zelmora;

namespace {

// Numbered lines "line 0001\n"..., each one piece.
std::string NumberedLines(int first, int count)
{
    std::string body;
    for (int i = first; i < first + count; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "line %04d\n", i);
        body += line;
    }
    return body;
}

// A plain second reading of the piece rule, over a whole body.
std::vector<std::string> ReferencePieces(const std::string& body)
{
    std::vector<std::string> pieces;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t len = 0;
        while (pos + len < body.size() && len < 1023) {
            ++len;
            if (body[pos + len - 1] == '\n')
                break;
        }
        pieces.push_back(body.substr(pos, len));
        pos += len;
    }
    return pieces;
}

std::string ReferenceWindow(const std::string& body)
{
    const auto pieces = ReferencePieces(body);
    std::string window;
    for (std::size_t i = 150; i < pieces.size() && i < 201; ++i)
        window += pieces[i];
    return window;
}

std::string FeedInChunks(const std::string& body, const std::vector<std::size_t>& sizes, std::size_t* pieces = nullptr)
{
    PageWindowCutter cutter;
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < body.size(); ++i) {
        const std::size_t n = std::min(sizes[i % sizes.size()], body.size() - pos);
        cutter.Feed(std::string_view(body).substr(pos, n));
        pos += n;
    }
    cutter.Finish();
    if (pieces)
        *pieces = cutter.PieceCount();
    return cutter.Window();
}

} // namespace

TEST(PageWindowCutter, BodiesUpTo150PiecesGiveAnEmptyWindow)
{
    EXPECT_EQ(CutPageWindow(""), "");
    EXPECT_EQ(CutPageWindow(NumberedLines(1, 150)), "");

    PageWindowCutter cutter;
    EXPECT_FALSE(cutter.Feed(NumberedLines(1, 150)));
    cutter.Finish();
    EXPECT_EQ(cutter.PieceCount(), 150u);
    EXPECT_FALSE(cutter.Done());
}

TEST(PageWindowCutter, Piece151AloneIsTheWindow)
{
    EXPECT_EQ(CutPageWindow(NumberedLines(1, 151)), "line 0151\n");
    // The last piece needs no line feed.
    EXPECT_EQ(CutPageWindow(NumberedLines(1, 150) + "tail"), "tail");
}

TEST(PageWindowCutter, KeepsPieces151To201AndStopsRightAfter201)
{
    const std::string body = NumberedLines(1, 300);
    EXPECT_EQ(CutPageWindow(body), NumberedLines(151, 51));

    PageWindowCutter cutter;
    for (int i = 1; i <= 200; ++i)
        ASSERT_FALSE(cutter.Feed(NumberedLines(i, 1))) << "piece " << i;
    EXPECT_TRUE(cutter.Feed(NumberedLines(201, 1)));
    EXPECT_TRUE(cutter.Done());
    // Nothing after piece 201 reaches the window, not even within the same chunk.
    EXPECT_TRUE(cutter.Feed(NumberedLines(202, 99)));
    cutter.Finish();
    EXPECT_EQ(cutter.Window(), NumberedLines(151, 51));
    EXPECT_EQ(cutter.PieceCount(), 201u);

    PageWindowCutter oneChunk;
    EXPECT_TRUE(oneChunk.Feed(body));
    EXPECT_EQ(oneChunk.Window(), NumberedLines(151, 51));
}

TEST(PageWindowCutter, LongLinesCountAsSeveralPieces)
{
    // 2,499 bytes and a line feed: 1023 + 1023 + 454 bytes.
    const std::string longLine = std::string(2499, 'x') + "\n";
    const std::string body = NumberedLines(1, 150) + longLine + NumberedLines(151, 100);

    PageWindowCutter cutter;
    cutter.Feed(body);
    cutter.Finish();
    // Pieces 151 to 153 are the long line, so only 48 numbered lines follow it.
    EXPECT_EQ(cutter.Window(), longLine + NumberedLines(151, 48));
    EXPECT_TRUE(cutter.Done());

    // Without any line feed at all the last piece is what remains.
    const std::string bare(2500, 'y');
    EXPECT_EQ(ReferencePieces(bare).size(), 3u);
    std::size_t pieces = 0;
    FeedInChunks(NumberedLines(1, 149) + bare, {7}, &pieces);
    EXPECT_EQ(pieces, 152u);
    EXPECT_EQ(CutPageWindow(NumberedLines(1, 150) + bare), bare);
    EXPECT_EQ(CutPageWindow(NumberedLines(1, 149) + bare), bare.substr(1023));
}

TEST(PageWindowCutter, ALineFeedAtByte1023EndsThatPiece)
{
    // 1022 bytes + LF fit in one piece; 1023 bytes + LF need two.
    std::size_t pieces = 0;
    FeedInChunks(std::string(1022, 'a') + "\n", {5000}, &pieces);
    EXPECT_EQ(pieces, 1u);
    FeedInChunks(std::string(1023, 'a') + "\n", {5000}, &pieces);
    EXPECT_EQ(pieces, 2u);
    EXPECT_EQ(CutPageWindow(NumberedLines(1, 149) + std::string(1023, 'a') + "\n"), "\n");
}

TEST(PageWindowCutter, CarriageReturnsStayInTheirPiece)
{
    std::string crlf;
    for (int i = 0; i < 160; ++i)
        crlf += "row " + std::to_string(i) + "\r\n";
    const std::string window = CutPageWindow(crlf);
    EXPECT_EQ(window.substr(0, 9), "row 150\r\n");
    EXPECT_EQ(window.size(), 10u * 9u);

    // A CR that fills byte 1023 stays there; its LF becomes a piece of its own.
    std::size_t pieces = 0;
    FeedInChunks(std::string(1022, 'b') + "\r\n", {3}, &pieces);
    EXPECT_EQ(pieces, 2u);
}

TEST(PageWindowCutter, ChunkBoundariesDoNotMatter)
{
    std::mt19937 random(20240607);
    for (int round = 0; round < 20; ++round) {
        // Lines from empty to 3,000 bytes, some CRLF, some bytes that are not text.
        std::string body;
        std::uniform_int_distribution<int> kind(0, 9);
        while (body.size() < 150'000) {
            const int k = kind(random);
            const std::size_t len = k == 0 ? 0 : k == 1 ? 1500 + random() % 1500 : random() % 120;
            for (std::size_t i = 0; i < len; ++i)
                body += static_cast<char>(k == 2 ? random() % 256 : 'a' + random() % 26);
            body += k == 3 ? "\r\n" : "\n";
        }
        const std::string expected = ReferenceWindow(body);

        std::size_t wholePieces = 0, bytePieces = 0, oddPieces = 0;
        EXPECT_EQ(FeedInChunks(body, {body.size()}, &wholePieces), expected);
        EXPECT_EQ(FeedInChunks(body, {1}, &bytePieces), expected);
        EXPECT_EQ(FeedInChunks(body, {1023, 1, 1024, 17, 4096, 2}, &oddPieces), expected);
        EXPECT_EQ(bytePieces, wholePieces);
        EXPECT_EQ(oddPieces, wholePieces);
        EXPECT_LE(expected.size(), kMaxWindowBytes);
    }
}

TEST(PageWindowCutter, OtherWindowsKeepTheirPiecesAndStopAfterTheLast)
{
    const std::string body = NumberedLines(1, 300) + std::string(2500, 'x') + "\n" + NumberedLines(301, 10);
    const std::vector<std::string> pieces = ReferencePieces(body);
    ASSERT_EQ(pieces.size(), 313u); // the long line is pieces 301 to 303
    const auto join = [&](std::size_t first, std::size_t last) {
        std::string window;
        for (std::size_t i = first; i <= last && i <= pieces.size(); ++i)
            window += pieces[i - 1];
        return window;
    };
    for (const PieceWindow& window : {PieceWindow{1, 1}, PieceWindow{1, 3}, PieceWindow{20, 31}, PieceWindow{300, 302},
                                      PieceWindow{302, 400}, PieceWindow{314, 400}, PieceWindow{1, 2000}}) {
        SCOPED_TRACE(PieceWindowText(window));
        EXPECT_EQ(CutPageWindow(body, window), join(window.first, window.last));
        PageWindowCutter cutter(window);
        EXPECT_EQ(cutter.Feed(body), window.last <= pieces.size());
        EXPECT_EQ(cutter.PieceCount(), std::min<std::size_t>(window.last, pieces.size()));
    }

    // The piece starts follow the same rule.
    const std::vector<std::size_t> starts = PieceStarts(body);
    ASSERT_EQ(starts.size(), pieces.size());
    for (std::size_t i = 0; i < starts.size(); ++i)
        EXPECT_EQ(body.substr(starts[i], i + 1 < starts.size() ? starts[i + 1] - starts[i] : std::string::npos), pieces[i]) << i;
}
