#pragma once

#include <string>
#include <vector>

namespace zelmora {

// The cells of one watch list row that the price mail shows.
struct PriceMailRow {
    std::string code;
    std::string name;
    std::string time;
    std::string price;
    std::string change;
    std::string trend; // carries its own trailing blank
};

struct PriceMail {
    std::string subject;
    std::string body;
};

// Subject: the update time of the first row. Body: one line per row in list
// order, "code name price changeTREND" (no name before the first quote), then
// after a blank line the index lines as the window shows them. An empty list
// gives an empty mail.
PriceMail ComposePriceMail(const std::vector<PriceMailRow>& rows, const std::vector<std::string>& indexLines = {});

// The disclosure mail: the first 4 characters of the stock code as the
// subject, the disclosure's entry text as the body.
std::string DisclosureMailSubject(const std::string& code);
// The entry line, the line of its XBRL figures when it has them, then the
// stock's name (when the list knows it) and the document's address under it.
std::string DisclosureMailBody(const std::string& entryText, const std::string& name = {},
                               const std::string& documentAddress = {}, const std::string& figures = {});

} // namespace zelmora
