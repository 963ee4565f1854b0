#pragma once

#include <cstdio>
#include <string>

// The program's own texts. They are written once, in UTF-8, in texts.cpp and
// handed out in Shift_JIS, the encoding of all text inside the program.
namespace zelmora::texts {

enum Id {
    TitleFormat,          // window title, filled with the major and minor version
    DisclosureMailStatus, // status label while disclosure mail is on
    PriceMailAfterClose,  // status label for one price mail after the close
    PriceMailEveryFormat, // status label for periodic price mails, minutes
    MarketTokyo,
    MarketJasdaq,
    MarketHercules,
    MarketOsaka,
    MarketNagoya,
    MarketFukuoka,
    MarketSapporo,
    RuleKey,
    RuleName,
    RuleTime,
    RulePrice,
    RuleChange,
    RuleRate,
    RuleVolume,
    DefaultBaseUrl,
    DefaultIndexOpenUrl,
    DefaultStockLinkName,
    DefaultIndexLinkName,
    QuoteCodePlaceholder,   // "銘柄" in a quote address template
    QuoteMarketPlaceholder, // "市場" in a quote address template
    TrendRising,
    TrendFalling,
    TrendFlat,
    DashPlaceholder,        // a dashed value with no tag after its dash
    DataFetching,       // status label while a pass runs
    IndexNikkei,
    IndexNikkeiFutures,
    IndexValueFormat,   // index name, quote time, level
    IndexChangeFormat,  // index change
    NoData,             // entry row without a usable quote
    ListFull,           // message: the list holds its 15 rows
    NoQuoteFound,       // message: the entry row has no usable price
    MailSendError,      // mail status label after a mail the server did not take
    DisclosureMarker,   // column 9 of a stock with a disclosure on the chosen date
    TrayFirstTip,       // tray tip until the first real one
    TrayTipFormat,      // trend mark, name, time, price, change
    TrayTipNewsFormat,  // the same for a stock with disclosures
    TrayRowLabelFormat, // code, name, time, price, change
    TrayRowNewsSuffix,  // after the label of a stock with disclosures
    MailSent,           // mail settings dialog: the test mail went out
    PriceMailDropped,   // price mail status label: a waiting price mail made room for a newer mail
    LayoutChangeWarning, // status label while quote pages look changed
    LayoutChangeTip,     // the same, short, as the tray tip's first line
    MailsWaitingFormat,  // disclosure mail status label while mails wait in the outbox, count
    MailsGivenUp,        // disclosure mail status label: a mail left the outbox unsent
    HistoryWriteErrorFormat, // status label: a history file could not take a line, its path
    ConnectionError,     // entry row's name after a lookup that reached no server
    QuoteFetchError,     // status label: the last quote pass got no answer at all
    QuoteFetchErrorSinceFormat, // the same, with the time of the last pass that got pages
    PriceMailStaleFormat,       // price mail's first line meanwhile, with that time
    AlertUpper,                 // the alert conditions' labels
    AlertLower,
    AlertRate,
    AlertUpperLineFormat,       // a fired condition: threshold
    AlertLowerLineFormat,
    AlertRateLineFormat,        // the page's rate, the threshold
    AlertMailSubject,           // before the codes
    AlertWriteErrorFormat,      // status label: alert.txt could not take a line, its path
    Count
};

// Shift_JIS form of a text, converted on first use.
const std::string& Sjis(Id id);

// A text whose format takes only %s, filled with Shift_JIS strings.
template <class... Strings>
std::string Format(Id format, const Strings&... values)
{
    const std::string& pattern = Sjis(format);
    std::string text(pattern.size() + (values.size() + ... + 0) + 1, '\0');
    const int n = std::snprintf(text.data(), text.size(), pattern.c_str(), values.c_str()...);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

} // namespace zelmora::texts
