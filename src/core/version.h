#pragma once

#include <string>

namespace zelmora {

struct FileVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
};

// The program's own file version, set in one place by the build.
FileVersion ReadFileVersion();

// The product's web page, where a newer version can be found.
std::string ProductPageUrl();

// The reverse-DNS name of the program on the desktop: its desktop entry,
// icon and AppStream component are named after it.
std::string AppId();

// "Zelmora！株価＆開示 ver6.5 " in Shift_JIS.
std::string FormatTitle(const FileVersion& version);

} // namespace zelmora
