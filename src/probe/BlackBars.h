#pragma once
// The black bars around a video's picture (letterbox, pillarbox), found by the libraries' crop
// detection over a few seconds of the file's first video stream.
#include <cstdint>
#include <optional>
#include <string>

namespace orvel {

// Margins in pixels of the stream's pictures as decoded, each even.
struct TBlackBars {
    int Top = 0, Bottom = 0, Left = 0, Right = 0;
    int Width = 0, Height = 0; // the pictures' size
    bool operator==(const TBlackBars&) const = default;
};

// Decodes at most `span` microseconds (and at most 250 pictures) from `from` microseconds on and
// answers the bars that every picture read has: a picture area that grows over the pictures, so a
// dark scene does not eat into the picture. Nothing, with error saying why, for a file that cannot
// be read or has no video, or when no picture showed anything but black.
std::optional<TBlackBars> DetectBlackBars(const std::string& fileName, int64_t from, int64_t span,
                                          std::string& error);

} // namespace orvel
