#include "session/sjis_qstring.h"

#include "core/text/code_page.h"

namespace zelmora {

QString ToQString(const std::string& sjis)
{
    return QString::fromStdString(SjisToUtf8(sjis));
}

std::string ToSjis(const QString& text)
{
    return Utf8ToSjis(text.toStdString());
}

} // namespace zelmora
