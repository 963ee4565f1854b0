#pragma once

#include <string>

#include "core/text/code_page.h"

// Tests write Japanese in UTF-8 and compare in Shift_JIS, as the program does.
inline std::string S(const char* utf8)
{
    return zelmora::Utf8ToSjis(utf8);
}
