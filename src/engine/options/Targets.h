#pragma once
// Targets: the settings a disc or camcorder format ("vcd", "svcd", "dvd", "dv", "dv50")
// requires, for the PAL, NTSC or film norm.
#include <string>

namespace orvel {

class TOptionParser;

// Norm "pal", "ntsc" or "film"; anything else is guessed from the frame rate and then from
// the open inputs, falling back to `defaultNorm` ("film", "ntsc", else PAL). Raises
// FFmpegException "frame_rate is invalid." or "Unknown target type".
void ApplyTarget(TOptionParser& parser, const std::string& type, const std::string& norm,
                 const std::string& defaultNorm);

} // namespace orvel
