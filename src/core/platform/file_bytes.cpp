#include "core/platform/file_bytes.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace zelmora {

std::optional<std::string> ReadFileBytes(const std::string& path)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return std::nullopt;
    std::string bytes;
    std::error_code error;
    if (const auto size = std::filesystem::file_size(path, error); !error)
        bytes.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, n);
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

} // namespace zelmora
