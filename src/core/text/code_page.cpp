#include "core/text/code_page.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace zelmora {
namespace {

// One iconv descriptor per thread and direction: opening one per call would
// cost more than most conversions themselves.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts input; at an unconvertible sequence writes `replacement` and
    // skips `skip(rest)` input bytes.
    template <typename Skip>
    std::string Run(std::string_view input, std::string_view replacement, Skip skip)
    {
        std::string out;
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.resize(input.size() * 4 + 16);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::size_t written = 0;
        while (inLeft > 0) {
            char* dst = out.data() + written;
            std::size_t outLeft = out.size() - written;
            const std::size_t rc = iconv(m_cd, &in, &inLeft, &dst, &outLeft);
            written = out.size() - outLeft;
            if (rc != static_cast<std::size_t>(-1))
                break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL (truncated sequence at the end)
            const std::size_t n = std::min(inLeft, skip(std::string_view(in, inLeft)));
            in += n;
            inLeft -= n;
            if (out.size() - written < replacement.size())
                out.resize(out.size() * 2 + replacement.size());
            std::copy(replacement.begin(), replacement.end(), out.begin() + static_cast<std::ptrdiff_t>(written));
            written += replacement.size();
        }
        out.resize(written);
        return out;
    }

    // True when the whole input converts without an invalid or truncated
    // sequence; the output is dropped.
    bool Accepts(std::string_view input)
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char chunk[4096];
        while (inLeft > 0) {
            char* dst = chunk;
            std::size_t outLeft = sizeof chunk;
            if (iconv(m_cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1))
                break;
            if (errno != E2BIG)
                return false;
        }
        return true;
    }

private:
    iconv_t m_cd;
};

std::size_t Utf8SequenceLength(std::string_view rest)
{
    const auto lead = static_cast<unsigned char>(rest[0]);
    std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    // Stop at the first byte that cannot continue the sequence.
    for (std::size_t i = 1; i < n; ++i) {
        if (i >= rest.size() || (static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
            return i;
    }
    return n;
}

std::size_t SjisSequenceLength(std::string_view rest)
{
    const auto lead = static_cast<unsigned char>(rest[0]);
    const bool lead2 = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    return lead2 && rest.size() > 1 ? 2 : 1;
}

} // namespace

std::string Utf8ToSjis(std::string_view utf8)
{
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Run(utf8, "?", Utf8SequenceLength);
}

std::string SjisToUtf8(std::string_view sjis)
{
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Run(sjis, "\xEF\xBF\xBD", SjisSequenceLength);
}

bool IsValidSjis(std::string_view bytes)
{
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Accepts(bytes);
}

bool IsValidUtf8(std::string_view bytes)
{
    thread_local Converter converter("UTF-16LE", "UTF-8");
    return converter.Accepts(bytes);
}

std::string SjisToEucJp(std::string_view sjis)
{
    thread_local Converter converter("EUC-JP", "CP932");
    return converter.Run(sjis, "?", SjisSequenceLength);
}

} // namespace zelmora
