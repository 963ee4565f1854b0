#include "core/mail/mail_message.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <random>

#include "core/text/sjis.h"

namespace zelmora {
namespace {

// An encoded word may hold 75 characters: "=?UTF-8?B?" and "?=" leave 63 for
// base64, so 45 bytes of text per word.
constexpr std::size_t kEncodedWordBytes = 45;

std::string Base64(std::string_view bytes)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return out;
}

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool IsPrintableAscii(std::string_view text)
{
    for (char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

// The display name of the From line: a quoted string when it is plain ASCII,
// encoded words otherwise.
std::string DisplayName(std::string_view name)
{
    if (!IsPrintableAscii(name))
        return EncodeHeaderText(name);
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// Every line ends in CRLF, whatever line ends the text brought, the last
// line too.
std::string CrlfLines(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += c;
        }
    }
    if (!out.empty() && !out.ends_with("\r\n"))
        out += "\r\n";
    return out;
}

std::string DateLine(std::time_t date)
{
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &date);
#else
    gmtime_r(&date, &utc);
#endif
    char line[64];
    std::snprintf(line, sizeof line, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[static_cast<std::size_t>(utc.tm_wday)],
                  utc.tm_mday, kMonths[static_cast<std::size_t>(utc.tm_mon)], utc.tm_year + 1900, utc.tm_hour,
                  utc.tm_min, utc.tm_sec);
    return line;
}

bool ParsePort(std::string_view digits, int& port)
{
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    return error == std::errc() && end == digits.data() + digits.size() && port >= 1 && port <= 65535;
}

bool IsHostText(std::string_view host)
{
    if (host.empty())
        return false;
    for (char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'
                        || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

bool IsIpv6Text(std::string_view host)
{
    if (host.empty())
        return false;
    for (char c : host) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
        if (!ok)
            return false;
    }
    return true;
}

bool RemovePrefixNoCase(std::string_view& text, std::string_view prefix)
{
    if (!StartsWithIgnoringAsciiCase(text, prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

} // namespace

std::string EncodeHeaderText(std::string_view utf8)
{
    std::string encoded;
    while (!utf8.empty()) {
        std::size_t take = std::min(kEncodedWordBytes, utf8.size());
        // A word holds whole characters only.
        while (take < utf8.size() && take > 0 && IsUtf8Continuation(utf8[take]))
            --take;
        if (take == 0)
            take = std::min(kEncodedWordBytes, utf8.size());
        if (!encoded.empty())
            encoded += "\r\n ";
        encoded += "=?UTF-8?B?" + Base64(utf8.substr(0, take)) + "?=";
        utf8.remove_prefix(take);
    }
    return encoded;
}

std::string BuildMailMessage(const MailMessage& m)
{
    std::string text;
    const std::string address = SingleLine(m.address);
    text += "From: " + DisplayName(SingleLine(m.senderName)) + " <" + address + ">\r\n";
    text += "To: <" + address + ">\r\n";
    text += "Subject: " + EncodeHeaderText(SingleLine(m.subject)) + "\r\n";
    text += "Date: " + DateLine(m.date) + "\r\n";
    text += "Message-ID: <" + SingleLine(m.messageId) + ">\r\n";
    text += "MIME-Version: 1.0\r\n";
    text += "Content-Type: text/plain; charset=UTF-8\r\n";
    text += "Content-Transfer-Encoding: 8bit\r\n";
    text += "\r\n";
    text += CrlfLines(m.body);
    return text;
}

std::optional<std::string> MailServerUrl(std::string_view setting)
{
    std::string_view rest = TrimBlanks(setting);
    std::string scheme = "smtp";
    int port = 25;
    if (RemovePrefixNoCase(rest, "smtps://")) {
        scheme = "smtps";
        port = 465;
    } else {
        RemovePrefixNoCase(rest, "smtp://");
    }
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);

    std::string host;
    std::optional<std::string_view> portText;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || !IsIpv6Text(rest.substr(1, close - 1)))
            return std::nullopt;
        host = std::string(rest.substr(0, close + 1));
        rest.remove_prefix(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return std::nullopt;
        if (!rest.empty())
            portText = rest.substr(1);
    } else {
        const std::size_t colon = rest.find(':');
        host = std::string(rest.substr(0, colon));
        if (!IsHostText(host))
            return std::nullopt;
        if (colon != std::string_view::npos)
            portText = rest.substr(colon + 1);
    }
    if (portText && !ParsePort(*portText, port))
        return std::nullopt;
    return scheme + "://" + host + ":" + std::to_string(port);
}

bool LoginNeedsStartTls(std::string_view url, std::string_view user)
{
    if (user.empty() || !RemovePrefixNoCase(url, "smtp://"))
        return false;
    const std::string_view host = url.substr(0, url.rfind(':'));
    for (const std::string_view local : {"localhost", "127.0.0.1", "[::1]"}) {
        std::string_view rest = host;
        if (RemovePrefixNoCase(rest, local) && rest.empty())
            return false;
    }
    return true;
}

bool IsPlainMailAddress(std::string_view address)
{
    if (address.empty() || address.size() > 254)
        return false;
    for (char c : address) {
        if (c <= 0x20 || c > 0x7E || c == '<' || c == '>' || c == '"' || c == '(' || c == ')' || c == ',' || c == ';'
            || c == '\\')
            return false;
    }
    return true;
}

std::string NewMessageId(std::string_view address)
{
    thread_local std::mt19937_64 random(std::random_device{}());
    const std::size_t at = address.rfind('@');
    const std::string_view domain = at == std::string_view::npos || at + 1 == address.size() ? "zelmora.invalid" : address.substr(at + 1);
    char id[64];
    std::snprintf(id, sizeof id, "%llx.%016llx", static_cast<unsigned long long>(std::time(nullptr)),
                  static_cast<unsigned long long>(random()));
    return std::string(id) + "@" + std::string(domain);
}

} // namespace zelmora
