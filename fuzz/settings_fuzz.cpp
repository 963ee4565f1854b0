// base_data.ini as a user may have edited it: the profile parser, and the
// settings load and save that the program runs at every start and close.
#include "core/settings/profile_file.h"
#include "core/settings/settings.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

std::string Saved(std::string_view before, const LoadedSettings& loaded)
{
    ProfileFile profile = ProfileFile::Parse(before);
    SaveSettings(profile, loaded.settings, loaded.rows);
    return profile.Serialize();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);

    // Every line ends in CRLF once written, and writing again changes nothing.
    const std::string serialized = ProfileFile::Parse(file).Serialize();
    FUZZ_CHECK(ProfileFile::Parse(serialized).Serialize() == serialized);

    const LoadedSettings loaded = LoadSettings(ProfileFile::Parse(file));
    FUZZ_CHECK(loaded.rows.size() <= kMaxStoredRows);
    // Values are cut to their read buffers.
    for (const StoredRow& row : loaded.rows)
        FUZZ_CHECK(row.code.size() < 25 && row.market.size() < 25 && row.memo.size() < 256);

    // What a save wrote loads as the same settings. The first save moves
    // the program's two sections to the end of the file, as the Windows
    // profile functions do; from then on a save writes the same bytes.
    const std::string first = Saved(file, loaded);
    const LoadedSettings reloaded = LoadSettings(ProfileFile::Parse(first));
    FUZZ_CHECK(reloaded.settings == loaded.settings);
    FUZZ_CHECK(reloaded.rows == loaded.rows);
    const std::string second = Saved(first, reloaded);
    FUZZ_CHECK(Saved(second, reloaded) == second);
    return 0;
}
