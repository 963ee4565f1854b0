#include "gui_test_support.h"

#include <fstream>
#include <iterator>

ProgramFolderFixture::ProgramFolderFixture() = default;

std::string ProgramFolderFixture::Folder() const
{
    return m_dir.path().toStdString() + "/";
}

std::string ProgramFolderFixture::SettingsPath() const
{
    return Folder() + "base_data.ini";
}

void ProgramFolderFixture::WriteSettings(const std::string& bytes) const
{
    WriteFileBytes(SettingsPath(), bytes);
}

std::string ProgramFolderFixture::ReadSettings() const
{
    return ReadFileBytes(SettingsPath());
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}
