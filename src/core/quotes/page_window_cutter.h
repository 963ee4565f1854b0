#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

// A piece is one line read of a page body: the bytes up to and including the
// next line feed, or the next 1023 bytes when no line feed comes within
// them, or what is left at the end of the body. Pieces count from 1.
inline constexpr std::size_t kMaxPieceBytes = 1023;

// The pieces of a body that the marker rules read: first to last, both
// included. Settings key WINDOW_PIECES, text "first-last".
struct PieceWindow {
    std::size_t first = 151;
    std::size_t last = 201;

    constexpr std::size_t Pieces() const { return last - first + 1; }
    bool operator==(const PieceWindow&) const = default;
};

// A window holds at most this many pieces, so at most about 2 MB of a page.
inline constexpr std::size_t kMaxWindowPieces = 2000;
inline constexpr std::size_t kMaxWindowBytes = PieceWindow{}.Pieces() * kMaxPieceBytes;

// "151-201": two decimal numbers, 1 <= first <= last, at most
// kMaxWindowPieces pieces. Anything else (blanks, signs, "0-10", "5-4") is
// no window.
std::optional<PieceWindow> ParsePieceWindow(std::string_view text);
std::string PieceWindowText(const PieceWindow& window);

// How much of `rest` the piece being read takes when `room` more bytes fit
// into it, and whether that completes the piece.
struct PieceTake {
    std::size_t bytes;
    bool completes;
};
PieceTake TakePiece(std::string_view rest, std::size_t room);

// Cuts a body that arrives in chunks of any size into pieces and keeps those
// of the window, bytes unchanged (a CR before an LF stays). Memory is
// bounded by the window: earlier pieces are only counted.
class PageWindowCutter {
public:
    explicit PageWindowCutter(const PieceWindow& window = {}) : m_range(window) {}

    // Feeds the next chunk of the body. Returns true once the window's last
    // piece is complete; the rest of that chunk and every later chunk are
    // ignored.
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

    PieceWindow m_range;
    std::string m_window;
    std::size_t m_completed = 0;
    std::size_t m_pieceFill = 0; // bytes of the piece being read
    bool m_done = false;
};

// The window of a body that is already whole (a saved page, for example).
std::string CutPageWindow(std::string_view body, const PieceWindow& window = {});

// Byte offset of every piece of a whole body, in order: piece n starts at
// element n - 1.
std::vector<std::size_t> PieceStarts(std::string_view body);

} // namespace zelmora
