#include "core/quotes/page_window_cutter.h"

#include <charconv>

namespace zelmora {
namespace {

std::optional<std::size_t> ParsePieceNumber(std::string_view digits)
{
    std::size_t number = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number);
    if (digits.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return number;
}

} // namespace

std::optional<PieceWindow> ParsePieceWindow(std::string_view text)
{
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    // from_chars takes no sign and no blank, so "+1-5" and "1 -5" fail here.
    const auto first = ParsePieceNumber(text.substr(0, dash));
    const auto last = ParsePieceNumber(text.substr(dash + 1));
    if (!first || !last || *first < 1 || *last < *first || *last - *first >= kMaxWindowPieces)
        return std::nullopt;
    return PieceWindow{*first, *last};
}

std::string PieceWindowText(const PieceWindow& window)
{
    return std::to_string(window.first) + "-" + std::to_string(window.last);
}

PieceTake TakePiece(std::string_view rest, std::size_t room)
{
    const std::string_view look = rest.substr(0, room);
    const std::size_t lf = look.find('\n');
    if (lf != std::string_view::npos)
        return {lf + 1, true};
    return {look.size(), look.size() == room};
}

bool PageWindowCutter::Feed(std::string_view chunk)
{
    while (!m_done && !chunk.empty()) {
        const PieceTake take = TakePiece(chunk, kMaxPieceBytes - m_pieceFill);
        if (m_completed + 1 >= m_range.first)
            m_window.append(chunk.data(), take.bytes);
        m_pieceFill += take.bytes;
        chunk.remove_prefix(take.bytes);
        if (take.completes)
            CompletePiece();
    }
    return m_done;
}

void PageWindowCutter::Finish()
{
    if (!m_done && m_pieceFill > 0)
        CompletePiece();
}

void PageWindowCutter::CompletePiece()
{
    ++m_completed;
    m_pieceFill = 0;
    if (m_completed == m_range.last)
        m_done = true;
}

std::string CutPageWindow(std::string_view body, const PieceWindow& window)
{
    PageWindowCutter cutter(window);
    cutter.Feed(body);
    cutter.Finish();
    return cutter.TakeWindow();
}

std::vector<std::size_t> PieceStarts(std::string_view body)
{
    std::vector<std::size_t> starts;
    for (std::size_t pos = 0; pos < body.size(); pos += TakePiece(body.substr(pos), kMaxPieceBytes).bytes)
        starts.push_back(pos);
    return starts;
}

} // namespace zelmora
