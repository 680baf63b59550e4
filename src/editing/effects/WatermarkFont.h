#pragma once
// Face, size, colour and style of a watermark text. A plain value so that the job record, the
// dialogs and the renderer can copy it freely between threads.
#include <cstdint>
#include <string>

namespace orvel {

struct TWatermarkFont {
    std::string Name = "MS Sans Serif"; // resolved through the toolkit's font matching
    int Size = 8;                       // points
    uint32_t Color = 0;                 // 0x00BBGGRR, as the colour values of the job record
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const TWatermarkFont&) const = default;
};

} // namespace orvel
