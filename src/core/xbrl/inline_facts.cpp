#include "core/xbrl/inline_facts.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <charconv>
#include <climits>
#include <memory>
#include <mutex>

namespace zelmora {
namespace {

constexpr std::string_view kInlineXbrl2008 = "http://www.xbrl.org/2008/inlineXBRL";
constexpr std::string_view kInlineXbrl2013 = "http://www.xbrl.org/2013/inlineXBRL";
constexpr std::string_view kSchemaInstance = "http://www.w3.org/2001/XMLSchema-instance";
// Longer texts are no figure of a summary; they are not collected.
constexpr std::size_t kMaxFactText = 64;
constexpr int kMaxFactDepth = 8;
constexpr int kMaxScale = 30;
constexpr int kMaxDigits = 18;

std::string_view View(const xmlChar* text)
{
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The HTML parser keeps names in lower case without a namespace; the XML
// parser resolves the prefix.
struct Reading {
    bool html = false;

    bool IsInline(const xmlNode* node, std::string_view local) const
    {
        if (node->type != XML_ELEMENT_NODE)
            return false;
        // libxml2's HTML parser drops the prefix of an element's name.
        if (html)
            return EqualsNoCase(View(node->name), local) || EqualsNoCase(View(node->name), "ix:" + std::string(local));
        const std::string_view href = node->ns ? View(node->ns->href) : std::string_view();
        return (href == kInlineXbrl2008 || href == kInlineXbrl2013) && View(node->name) == local;
    }

    // An attribute's value without namespace, or in xsi's when asked.
    std::string Attribute(const xmlNode* node, std::string_view name, bool xsi = false) const
    {
        for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
            bool match = false;
            if (html)
                match = EqualsNoCase(View(attr->name), xsi ? "xsi:" + std::string(name) : std::string(name));
            else if (xsi)
                match = attr->ns && View(attr->ns->href) == kSchemaInstance && View(attr->name) == name;
            else
                match = !attr->ns && View(attr->name) == name;
            if (!match)
                continue;
            std::string value;
            for (const xmlNode* child = attr->children; child; child = child->next) {
                if (child->type == XML_TEXT_NODE)
                    value += View(child->content);
            }
            return value;
        }
        return {};
    }

    // Text nodes only: an entity reference is never expanded here. A figure
    // nested deeper than a few elements is no figure.
    void CollectText(const xmlNode* node, std::string& text, bool& tooLong, int depth = 0) const
    {
        tooLong = tooLong || depth > kMaxFactDepth;
        for (const xmlNode* child = node->children; child && !tooLong; child = child->next) {
            if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
                text += View(child->content);
                tooLong = text.size() > kMaxFactText;
            } else if (child->type == XML_ELEMENT_NODE && !IsInline(child, "exclude")) {
                CollectText(child, text, tooLong, depth + 1);
            }
        }
    }
};

void CollectFacts(const Reading& reading, const xmlNode* root, std::vector<XbrlFact>& facts)
{
    // Walked without recursion: the depth of the whole page is the parser's to limit, not ours.
    const xmlNode* node = root;
    while (node && facts.size() < kMaxXbrlFacts) {
        const bool fact = reading.IsInline(node, "nonFraction");
        if (fact) {
            XbrlFact read{reading.Attribute(node, "name"), reading.Attribute(node, "contextRef"),
                          reading.Attribute(node, "unitRef"), std::nullopt};
            if (reading.Attribute(node, "nil", true) != "true") {
                std::string text;
                bool tooLong = false;
                reading.CollectText(node, text, tooLong);
                if (!tooLong)
                    read.value = ReadFactNumber(text, reading.Attribute(node, "format"), reading.Attribute(node, "scale"),
                                                reading.Attribute(node, "sign") == "-");
            }
            if (!read.name.empty())
                facts.push_back(std::move(read));
        }
        // The HTML parser may put what follows an unclosed fact inside it.
        if (node->type == XML_ELEMENT_NODE && node->children) {
            node = node->children;
            continue;
        }
        while (node && node != root && !node->next)
            node = node->parent;
        if (!node || node == root)
            break;
        node = node->next;
    }
}

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

void InitParserOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::optional<XbrlNumber> ReadFactNumber(std::string_view text, std::string_view format, std::string_view scale,
                                         bool negative)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    const std::string_view formatName = LocalName(format);
    int scaleValue = 0;
    if (!scale.empty()) {
        const auto [end, error] = std::from_chars(scale.data(), scale.data() + scale.size(), scaleValue);
        if (error != std::errc() || end != scale.data() + scale.size() || scaleValue < -kMaxScale || scaleValue > kMaxScale)
            return std::nullopt;
    }
    // A dash for zero.
    if (formatName == "zerodash" || formatName == "fixed-zero")
        return XbrlNumber{0, 0};
    const bool commaDecimal = formatName == "numcommadecimal";
    const char decimalMark = commaDecimal ? ',' : '.';
    const char groupMark = commaDecimal ? '.' : ',';
    std::int64_t mantissa = 0;
    int exponent = 0;
    int digits = 0;
    bool anyDigit = false;
    bool afterMark = false;
    for (const char c : text) {
        if (c == groupMark && !afterMark)
            continue;
        if (c == decimalMark && !afterMark) {
            afterMark = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        anyDigit = true;
        if (mantissa == 0 && c == '0') {
            exponent -= afterMark ? 1 : 0;
            continue;
        }
        if (++digits > kMaxDigits)
            return std::nullopt;
        mantissa = mantissa * 10 + (c - '0');
        exponent -= afterMark ? 1 : 0;
    }
    if (!anyDigit)
        return std::nullopt;
    if (mantissa == 0)
        return XbrlNumber{0, 0};
    return XbrlNumber{negative ? -mantissa : mantissa, exponent + scaleValue};
}

std::string_view LocalName(std::string_view name)
{
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string NumberText(const XbrlNumber& number)
{
    const bool negative = number.mantissa < 0;
    const unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(number.mantissa)
                                                  : static_cast<unsigned long long>(number.mantissa);
    std::string digits = std::to_string(magnitude);
    if (number.exponent >= 0) {
        if (number.mantissa != 0)
            digits.append(static_cast<std::size_t>(number.exponent), '0');
    } else {
        const auto places = static_cast<std::size_t>(-number.exponent);
        if (digits.size() <= places)
            digits.insert(0, places - digits.size() + 1, '0');
        digits.insert(digits.size() - places, ".");
    }
    return (negative ? "-" : "") + digits;
}

std::vector<XbrlFact> ParseInlineFacts(std::string_view document)
{
    std::vector<XbrlFact> facts;
    if (document.empty() || document.size() > static_cast<std::size_t>(INT_MAX))
        return facts;
    InitParserOnce();
    const int size = static_cast<int>(document.size());
    std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadMemory(document.data(), size, nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    Reading reading;
    if (!doc) {
        reading.html = true;
        doc.reset(htmlReadMemory(document.data(), size, nullptr, "UTF-8",
                                 HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING));
    }
    if (doc)
        CollectFacts(reading, xmlDocGetRootElement(doc.get()), facts);
    return facts;
}

} // namespace zelmora
