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

// "Zelmora！株価＆開示 ver6.5 " in Shift_JIS.
std::string FormatTitle(const FileVersion& version);

} // namespace zelmora
