#pragma once
// Presets: named sets of key=value options, built in or read from a file.
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

class TOptionParser;

struct TBuiltinPreset {
    std::string_view Name;
    std::string_view Text; // key=value lines
};

// The 40 built-in presets in their fixed order.
const std::vector<TBuiltinPreset>& BuiltinPresets();
// Look-up without regard to case; null when there is none of that name.
const TBuiltinPreset* FindBuiltinPreset(std::string_view name);

// "apre", "vpre", "spre", "fpre": applies the built-in preset `value` (also tried with the
// chosen codec's name and "-" in front) or the preset file of that name. Raises
// FFmpegException for a missing preset, a bad line or an option the libraries refuse.
void ApplyPreset(TOptionParser& parser, const std::string& option, const std::string& value);

// Applies preset text (key=value lines); `presetName` names it in error messages.
void ApplyPresetText(TOptionParser& parser, const std::string& option, const std::string& presetName,
                     std::string_view text);

} // namespace orvel
