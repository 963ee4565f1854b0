#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelmora {

// A piece is one line read of a page body: the bytes up to and including the
// next line feed, or the next 1023 bytes when no line feed comes within
// them, or what is left at the end of the body. Pieces count from 1.
inline constexpr std::size_t kMaxPieceBytes = 1023;
inline constexpr std::size_t kFirstWindowPiece = 151;
inline constexpr std::size_t kLastWindowPiece = 201;
inline constexpr std::size_t kMaxWindowBytes = (kLastWindowPiece - kFirstWindowPiece + 1) * kMaxPieceBytes;

// Cuts a body that arrives in chunks of any size into pieces and keeps
// pieces 151 to 201, bytes unchanged (a CR before an LF stays). Memory is
// bounded by the window: earlier pieces are only counted.
class PageWindowCutter {
public:
    // Feeds the next chunk of the body. Returns true once piece 201 is
    // complete; the rest of that chunk and every later chunk are ignored.
    bool Feed(std::string_view chunk);

    // The body has ended: a partial last piece counts as a piece.
    void Finish();

    bool Done() const { return m_done; }
    const std::string& Window() const { return m_window; }
    std::string TakeWindow() { return std::move(m_window); }

    // Complete pieces so far (including a last partial one after Finish).
    std::size_t PieceCount() const { return m_completed; }

private:
    void CompletePiece();

    std::string m_window;
    std::size_t m_completed = 0;
    std::size_t m_pieceFill = 0; // bytes of the piece being read
    bool m_done = false;
};

// The window of a body that is already whole (a saved page, for example).
std::string CutPageWindow(std::string_view body);

} // namespace zelmora
