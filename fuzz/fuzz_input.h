#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/text/sjis.h"

// What every fuzz target shares: reading its input as parts, and stopping
// with the input kept when the code breaks a promise.
namespace zelmora::fuzz {

// An input of several texts holds them separated by NUL bytes; the last
// part takes the rest, NULs included. Missing parts are empty.
inline constexpr char kPartSeparator = '\0';

inline std::vector<std::string_view> SplitParts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const std::size_t separator = rest.find(kPartSeparator);
        parts.push_back(rest.substr(0, separator));
        rest = separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 1);
    }
    parts.push_back(rest);
    return parts;
}

// libFuzzer keeps the input of a run that aborts.
[[noreturn]] inline void Broken(const char* promise, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, promise);
    std::abort();
}

// True when the text, read from its start, does not end in the first byte of
// a double-byte character.
inline bool EndsOnCharacter(std::string_view text)
{
    std::size_t last = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += SjisCharLength(text, pos))
        last = pos;
    return text.empty() || last + 1 < text.size() || !IsSjisLeadByte(static_cast<unsigned char>(text[last]));
}

} // namespace zelmora::fuzz

#define FUZZ_CHECK(promise) ((promise) ? void(0) : ::zelmora::fuzz::Broken(#promise, __FILE__, __LINE__))
