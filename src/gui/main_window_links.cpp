// Opening a stock's or an index's page, or a recorded disclosure, in the
// desktop's browser.

#include <QLineEdit>

#include "core/links/link_template.h"
#include "core/quotes/quote_url.h"
#include "gui/desktop_opener.h"
#include "gui/main_window.h"

namespace zelmora {
namespace {

// The quote service's codes of the indices whose labels open their page.
constexpr const char* kTopixCode = "998405";
constexpr const char* kJasdaqCode = "23337";

std::string RowPage(const Watcher& watcher, int row, const std::string& urlTemplate, const Settings& settings)
{
    const auto r = static_cast<std::size_t>(row);
    const std::string letter = MarketLetterFor(watcher.Cell(r, ColMarket), settings.marketCodes);
    return ExpandLinkTemplate(urlTemplate, watcher.Cell(r, ColCode), letter);
}

} // namespace

void MainWindow::OpenRowLink(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_watcher->RowCount())
        return;
    const Settings settings = m_watcher->CurrentSettings();
    OpenWebPage(RowPage(*m_watcher, row, settings.quoteOpenUrl, settings));
}

void MainWindow::OpenSelectedRowLink()
{
    OpenRowLink(FirstSelectedRow());
}

void MainWindow::OpenStockLink(int entry)
{
    const int row = FirstSelectedRow();
    if (row < 0 || entry < 0 || static_cast<std::size_t>(entry) >= m_links.stockLinks.size())
        return;
    const std::optional<LinkTemplateParts> link = SplitLinkTemplate(m_links.stockLinks[static_cast<std::size_t>(entry)]);
    if (link)
        OpenWebPage(RowPage(*m_watcher, row, link->url, m_watcher->CurrentSettings()));
}

void MainWindow::OpenIndexPage(int index)
{
    const Settings settings = m_watcher->CurrentSettings();
    switch (index) {
    case 0:
        OpenWebPage(settings.indexOpenUrl);
        break;
    case 1:
        OpenWebPage(BuildQuoteUrl(settings.quoteBaseUrl, kTopixCode, {}));
        break;
    case 2:
        OpenWebPage(BuildQuoteUrl(settings.quoteBaseUrl, kJasdaqCode, {}));
        break;
    default:
        break;
    }
}

// The same for the double click and the menu: the local copy when documents
// are downloaded, else the address; the portal when nothing is recorded.
void MainWindow::OpenDisclosure(int row, int line)
{
    if (row < 0 || line < 0)
        return;
    zelmora::OpenDisclosure(OpeningOfDisclosure(m_watcher->DisclosuresOfRow(static_cast<std::size_t>(row)),
                                                static_cast<std::size_t>(line)));
}

void MainWindow::OnListDoubleClick(int row, int column)
{
    if (row < 0 || row != FirstSelectedRow())
        return;
    if (column >= ColCode && column <= ColTrend)
        OpenRowLink(row);
    else if (column == ColDisclosure)
        OpenDisclosure(row, 0);
    else if (column == ColMemo)
        m_memoEdit->setFocus();
}

} // namespace zelmora
