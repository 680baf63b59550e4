#pragma once
// Turns a job, the current format's stored choices and the source's stream information into
// the engine's output options (and, for audio-only formats, one input option).
#include "batch/lvFilesRecord.h"
#include "engine/component/ConverterOptions.h"
#include "formats/FormatParams.h"

#include <string>

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
};
TSourceVideo SourceVideoOf(TCustomAVProbe& probe);

// Fills `output` (reset, with its FileName given) and `input` (reset). Raises
// std::runtime_error when the stored volume is not a number.
void BuildOutputOptions(const TlvFilesRecord& job, int formatCode, TOutputOptions& output,
                        const TSourceVideo& source, TInputOptions& input, TFormatParamStore& store,
                        ISizePrompt& prompt);
void BuildOutputOptions(const TlvFilesRecord& job, int formatCode, TOutputOptions& output,
                        TCustomAVProbe& probe, TInputOptions& input, TFormatParamStore& store,
                        ISizePrompt& prompt);

// Pan and scan: the even amount cut from each of the two long sides of a source of `full`
// pixels in that direction, `other` pixels across it after the job's crop, `jobFirst` the job's
// crop on the first side of the pair. The part beyond the job's crop trims the cropped picture
// to 4:3 ((kept − other × 4/3) / 2 for width, (kept − other × 3/4) / 2 for height, where kept is
// the cropped size in the cut direction); the result always leaves at least one pixel.
int PanAmount(int full, int kept, int other, int jobFirst, bool cutWidth);

} // namespace orvel
