// A marker rule's text form as a user writes it into base_data.ini.
#include "core/settings/settings.h"
#include "fuzz_input.h"

using namespace zelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view value(reinterpret_cast<const char*>(data), size);

    // The anchor is its label, "_" and the prefix, or all prefix.
    const MarkerRule anchor = ParseMarkerRule(value, true);
    FUZZ_CHECK(anchor.suffix.empty());
    FUZZ_CHECK(anchor.prefix == value || anchor.label + "_" + anchor.prefix == value);

    // A value rule is label, "_", prefix, "_", suffix, or all suffix.
    const MarkerRule rule = ParseMarkerRule(value, false);
    if (rule.suffix == value)
        FUZZ_CHECK(rule.prefix.empty());
    else
        FUZZ_CHECK(rule.label + "_" + rule.prefix + "_" + rule.suffix == value);
    FUZZ_CHECK(!ContainsSjis(rule.label, "_") && !ContainsSjis(anchor.label, "_"));
    return 0;
}
