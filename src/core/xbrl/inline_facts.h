#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The facts of an inline XBRL document (the exchange's earnings summary):
// each ix:nonFraction with its name, context and value.
namespace zelmora {

// mantissa * 10^exponent, exactly: amounts and rates are rounded for
// display from the figures as filed, never from a binary fraction.
struct XbrlNumber {
    std::int64_t mantissa = 0;
    int exponent = 0;

    bool operator==(const XbrlNumber&) const = default;
};

struct XbrlFact {
    std::string name;    // as written, e.g. "tse-ed-t:NetSales"
    std::string context; // contextRef
    std::string unit;    // unitRef
    // Nothing for xsi:nil="true" and for a value that cannot be read.
    std::optional<XbrlNumber> value;
};

// At most this many facts are read from one document; a summary has a few
// hundred.
constexpr std::size_t kMaxXbrlFacts = 20'000;

// The ix:nonFraction facts of a document, in document order; namespaces of
// inline XBRL 1.0 (2008) and 1.1 (2013). Parsed as XML, or as HTML when it
// is not well-formed; never loads anything from the network or expands
// entities. The value is the element's text (nested elements included, no
// ix:exclude) with the grouping marks of its format removed, times 10 to the
// power `scale`, negated for sign="-". A document that is no markup gives
// no facts.
std::vector<XbrlFact> ParseInlineFacts(std::string_view document);

// The number read from a fact's text; nothing when it is not one.
std::optional<XbrlNumber> ReadFactNumber(std::string_view text, std::string_view format, std::string_view scale,
                                         bool negative);

// The local part of a fact's name: "NetSales" of "tse-ed-t:NetSales".
std::string_view LocalName(std::string_view name);

// Decimal text of a number, for listing facts ("-1234.5", "1234567000000").
std::string NumberText(const XbrlNumber& number);

} // namespace zelmora
