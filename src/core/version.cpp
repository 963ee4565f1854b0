#include "core/version.h"

#include <cstdio>

#include "core/text/texts.h"
#include "zelmora_version.h"

namespace zelmora {

FileVersion ReadFileVersion()
{
    return {ZELMORA_VERSION_MAJOR, ZELMORA_VERSION_MINOR, ZELMORA_VERSION_PATCH, ZELMORA_VERSION_TWEAK};
}

std::string ProductPageUrl()
{
    return ZELMORA_PRODUCT_PAGE;
}

std::string AppId()
{
    return ZELMORA_APP_ID;
}

std::string FormatTitle(const FileVersion& version)
{
    char title[128];
    std::snprintf(title, sizeof title, texts::Sjis(texts::TitleFormat).c_str(), version.major, version.minor);
    return title;
}

} // namespace zelmora
