#include "core/mail/notification_mails.h"

#include "core/text/sjis.h"

namespace zelmora {

PriceMail ComposePriceMail(const std::vector<PriceMailRow>& rows)
{
    PriceMail mail;
    if (!rows.empty())
        mail.subject = rows.front().time;
    for (const PriceMailRow& row : rows)
        mail.body += row.code + " " + row.price + " " + row.change + row.trend + "\n";
    return mail;
}

std::string DisclosureMailSubject(const std::string& code)
{
    std::size_t end = 0;
    for (int characters = 0; characters < 4 && end < code.size(); ++characters)
        end += SjisCharLength(code, end);
    return code.substr(0, end);
}

std::string DisclosureMailBody(const std::string& entryText)
{
    return entryText;
}

} // namespace zelmora
