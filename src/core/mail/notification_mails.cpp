#include "core/mail/notification_mails.h"

#include "core/text/sjis.h"

namespace zelmora {

PriceMail ComposePriceMail(const std::vector<PriceMailRow>& rows, const std::vector<std::string>& indexLines)
{
    PriceMail mail;
    if (rows.empty())
        return mail;
    mail.subject = rows.front().time;
    for (const PriceMailRow& row : rows) {
        mail.body += row.code + (row.name.empty() ? "" : " " + SingleLine(row.name)) + " " + row.price + " " +
                     row.change + row.trend + "\n";
    }
    if (!indexLines.empty())
        mail.body += "\n";
    for (const std::string& line : indexLines)
        mail.body += SingleLine(line) + "\n";
    return mail;
}

std::string DisclosureMailSubject(const std::string& code)
{
    std::size_t end = 0;
    for (int characters = 0; characters < 4 && end < code.size(); ++characters)
        end += SjisCharLength(code, end);
    return code.substr(0, end);
}

std::string DisclosureMailBody(const std::string& entryText, const std::string& name, const std::string& documentAddress,
                               const std::string& figures)
{
    std::string body = entryText;
    for (const std::string& line : {figures, name, documentAddress}) {
        if (!line.empty())
            body += "\n" + SingleLine(line);
    }
    return body;
}

} // namespace zelmora
