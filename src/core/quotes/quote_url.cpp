#include "core/quotes/quote_url.h"

#include <algorithm>

#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

constexpr std::size_t kStockCodeLength = 4;
constexpr std::size_t kMarketSuffixLength = 5; // ".市場"

} // namespace

std::string BuildQuoteUrl(std::string_view baseUrl, std::string_view code, std::string_view marketLetter)
{
    const std::string& codeMark = texts::Sjis(texts::QuoteCodePlaceholder);
    const std::string& marketMark = texts::Sjis(texts::QuoteMarketPlaceholder);
    const bool isStock = code.size() == kStockCodeLength;

    // One pass over the template, so inserted text is never searched again:
    // a code that itself reads "市場" stays as typed.
    std::string address;
    address.reserve(baseUrl.size() + code.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t codeAt = FindSjis(baseUrl, codeMark, from);
        const std::size_t marketAt = isStock ? FindSjis(baseUrl, marketMark, from) : npos;
        const std::size_t at = std::min(codeAt, marketAt);
        if (at == npos)
            break;
        address.append(baseUrl.substr(from, at - from));
        if (at == codeAt) {
            address.append(code);
            from = at + codeMark.size();
        } else {
            address.append(marketLetter);
            from = at + marketMark.size();
        }
    }
    address.append(baseUrl.substr(from));

    if (!isStock)
        address.resize(address.size() > kMarketSuffixLength ? address.size() - kMarketSuffixLength : 0);
    return address;
}

} // namespace zelmora
