#include "core/quotes/page_window_cutter.h"

namespace zelmora {

bool PageWindowCutter::Feed(std::string_view chunk)
{
    while (!m_done && !chunk.empty()) {
        const std::size_t room = kMaxPieceBytes - m_pieceFill;
        const std::string_view look = chunk.substr(0, room);
        const std::size_t lf = look.find('\n');
        const bool lineEnds = lf != std::string_view::npos;
        const std::size_t take = lineEnds ? lf + 1 : look.size();

        const std::size_t piece = m_completed + 1;
        if (piece >= kFirstWindowPiece)
            m_window.append(chunk.data(), take);
        m_pieceFill += take;
        chunk.remove_prefix(take);
        if (lineEnds || m_pieceFill == kMaxPieceBytes)
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
    if (m_completed == kLastWindowPiece)
        m_done = true;
}

std::string CutPageWindow(std::string_view body)
{
    PageWindowCutter cutter;
    cutter.Feed(body);
    cutter.Finish();
    return cutter.TakeWindow();
}

} // namespace zelmora
