#pragma once
// Turns a job, the current format's stored choices and the source's stream information into
// the engine's output options (and, for audio-only formats, one input option).
#include "batch/lvFilesRecord.h"
#include "engine/component/ConverterOptions.h"
#include "formats/FormatParams.h"

#include <string>
#include <vector>

namespace orvel {

class TCustomAVProbe;

// The one question the builder may ask, when the stored size is not "WxH" nor "as source".
// The windows answer it with a Yes/No box; tests answer it themselves.
class ISizePrompt {
public:
    virtual ~ISizePrompt() = default;
    // True (Yes) converts at 320x240, false (No) keeps the source's size.
    virtual bool UseDefaultSize() = 0;
};
inline constexpr const char* kSizePromptText = "Error output Video Size.Use the default size 320x240?";
inline constexpr const char* kSizePromptCaption = "Warning";

// What the builder reads from the source.
struct TSourceVideo {
    int VideoStreamCount = 0;
    int Width = -1; // of the first video stream
    int Height = -1;
    int BitRate = -1; // bit/s
    // As a player shows it, width over height with the pixel aspect; 0 when unknown (the
    // stored size then holds).
    double DisplayAspect = 0;
    double FrameRate = 0; // frames a second, 0 when unknown
};
TSourceVideo SourceVideoOf(TCustomAVProbe& probe);

// Fills `output` (reset, with its FileName given) and `input` (reset). Raises
// std::runtime_error when the stored volume is not a number. Outputs keep inside what the
// format's device accepts, except where a stored choice lies outside it: the choice wins, and
// `outsideRow`, when given, gets one line per way the output leaves the device's row.
void BuildOutputOptions(const TlvFilesRecord& job, int formatCode, TOutputOptions& output,
                        const TSourceVideo& source, TInputOptions& input, TFormatParamStore& store,
                        ISizePrompt& prompt, std::vector<std::string>* outsideRow = nullptr);
void BuildOutputOptions(const TlvFilesRecord& job, int formatCode, TOutputOptions& output,
                        TCustomAVProbe& probe, TInputOptions& input, TFormatParamStore& store,
                        ISizePrompt& prompt, std::vector<std::string>* outsideRow = nullptr);

// Pan and scan: the even amount cut from each of the two long sides of a source of `full`
// pixels in that direction, `other` the size across it after the job's crop (counted in the
// cut direction's pixels, which differ on a source with non-square pixels), `jobFirst` the
// job's crop on the first side of the pair. The part beyond the job's crop trims the cropped
// picture to 4:3 ((kept − other × 4/3) / 2 for width, (kept − other × 3/4) / 2 for height,
// where kept is the cropped size in the cut direction); the result always leaves at least one
// pixel.
int PanAmount(int full, int kept, double other, int jobFirst, bool cutWidth);

} // namespace orvel
