// Opening a stock's or an index's page in the desktop's browser.

#include <QComboBox>
#include <QLabel>

#include "core/links/link_template.h"
#include "core/quotes/quote_url.h"
#include "gui/desktop_opener.h"
#include "gui/dialog_template.h"
#include "gui/main_window.h"

namespace zelmora {
namespace {

// The quote service's codes of the indices whose labels open their page.
constexpr const char* kTopixCode = "998405";
constexpr const char* kJasdaqCode = "23337";

} // namespace

void MainWindow::ConnectIndexLinks()
{
    for (int id : {IDC_INDEX1, IDC_INDEX2, IDC_INDEX3})
        m_controls.at(id)->installEventFilter(this);
}

std::string MainWindow::MarketLetterOfRow(int row) const
{
    return MarketLetterFor(m_watchList.Cell(static_cast<std::size_t>(row), ColMarket), m_settings.m_marketCodes);
}

void MainWindow::OpenRowLink(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_watchList.RowCount())
        return;
    const std::string& code = m_watchList.Cell(static_cast<std::size_t>(row), ColCode);
    OpenWebPage(ExpandLinkTemplate(m_settings.m_quoteOpenUrl, code, MarketLetterOfRow(row)));
}

void MainWindow::OpenSelectedRowLink()
{
    OpenRowLink(FirstSelectedRow());
}

void MainWindow::OpenStockLink(int entry)
{
    const int row = FirstSelectedRow();
    if (row < 0 || entry < 0 || static_cast<std::size_t>(entry) >= m_stockLinks.size())
        return;
    const std::optional<LinkTemplateParts> link = SplitLinkTemplate(m_stockLinks[static_cast<std::size_t>(entry)]);
    if (!link)
        return;
    const std::string& code = m_watchList.Cell(static_cast<std::size_t>(row), ColCode);
    OpenWebPage(ExpandLinkTemplate(link->url, code, MarketLetterOfRow(row)));
}

void MainWindow::OpenIndexPage(int labelId)
{
    switch (labelId) {
    case IDC_INDEX1:
        OpenWebPage(m_settings.m_indexOpenUrl);
        break;
    case IDC_INDEX2:
        OpenWebPage(BuildQuoteUrl(m_settings.m_quoteBaseUrl, kTopixCode, {}));
        break;
    case IDC_INDEX3:
        OpenWebPage(BuildQuoteUrl(m_settings.m_quoteBaseUrl, kJasdaqCode, {}));
        break;
    default:
        break;
    }
}

} // namespace zelmora
