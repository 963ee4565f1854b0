#pragma once

#include <QString>
#include <string>

namespace zelmora {

// The one crossing between the program's Shift_JIS text and Qt's strings.
QString ToQString(const std::string& sjis);
std::string ToSjis(const QString& text);

} // namespace zelmora
