#pragma once

#include <string>

#include "support/sjis_literals.h"

// Inputs as the program meets them, built the same way by the tests and by
// the fuzz targets' seed corpus.

// The quote table's anchor under the default marker rules.
inline const std::string kQuoteAnchor = "</tr><tr align=right>";

struct QuoteRow {
    std::string name = S("トヨタ自動車");
    std::string time = "15:00";
    std::string price = "5,120";
    std::string change = "<font color=red>-15</font>";
    std::string rate = "<font color=red>-0.29%</font>";
    std::string volume = "8,123,400";
};

// The quote table as the service writes it, for the default rules.
inline std::string QuoteTable(const QuoteRow& row)
{
    return "<table><tr><th>name</th></tr>" + kQuoteAnchor + "<td><img src=\"i.gif\" align=absmiddle><b>" + row.name +
           "&nbsp;</b></td>\n<td nowrap align=center>" + row.time + "</td>\n<td nowrap><b>" + row.price +
           "</b></td>\n<td nowrap>" + row.change + "</td>\n<td nowrap>" + row.rate + "</td>\n<td nowrap>" +
           row.volume + "</td>\n</tr></table>\n";
}

// A listing entry as the exchange lays it out: time, code, link, title line.
inline std::string ListingEntry(const std::string& time, const std::string& key, const std::string& href,
                                const std::string& title)
{
    return "<tr>\n<td class=\"kjTime\">" + time + "</td>\n<td class=\"kjCode\">" + key +
           "</td>\n<td class=\"kjTitle\"><a href=\"" + href + "\" target=\"_blank\">\n  " + title + "\n</a></td>\n";
}

// A file written in UTF-8 with "\n", as the program reads it: Shift_JIS
// with CRLF.
inline std::string SjisCrlfFile(const char* utf8)
{
    std::string crlf;
    for (char c : S(utf8))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return crlf;
}
