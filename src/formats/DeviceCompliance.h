#pragma once
// What the device or disc each catalog format is made for accepts: one row per family, from
// the published documents of those standards and devices (named beside each row).
#include <string>
#include <vector>

namespace orvel {

struct TDisplayShape {
    int Num = 0, Den = 1; // 4:3, 16:9
    double Value() const { return static_cast<double>(Num) / Den; }
};

struct TFrameShape {
    int Width = 0, Height = 0;
};

struct TComplianceRow {
    std::string Family{};
    std::vector<int> Codes{};                    // the catalog formats of the family
    std::vector<std::string> Containers{};       // demuxer names that read the files back
    std::vector<std::string> VideoCodecs{};      // decoder names; empty: an audio-only family
    int MaxH264Level = 0;                        // level_idc (31 for 3.1); 0: no H.264
    int MaxWidth = 0, MaxHeight = 0;             // frame, in stored pixels
    std::vector<TFrameShape> FrameSizes{};       // the only sizes allowed; empty: any up to the maximum
    double MaxFrameRate = 0;                     // frames a second
    int MaxVideoKbps = 0;                        // 0: no published limit
    std::vector<TDisplayShape> DisplayAspects{}; // the only shapes shown; empty: any
    std::vector<std::string> AudioCodecs{};      // decoder names
    std::vector<int> SampleRates{};              // Hz
    int MaxChannels = 2;
};

// The row of a catalog format; nullptr for a code no family holds.
const TComplianceRow* ComplianceRowOf(int formatCode);
const std::vector<TComplianceRow>& ComplianceRows();

// What an output is, in the row's terms.
struct TOutputFacts {
    std::string VideoCodec; // empty: no video
    int H264Level = 0;
    int Width = 0, Height = 0;
    double FrameRate = 0;
    int VideoKbps = 0;        // 0: not known
    double DisplayAspect = 0; // 0: not known
    std::string AudioCodec;   // empty: no audio
    int SampleRate = 0;
    int Channels = 0;
};

// One line per way the output leaves the row ("frame 1920x1080 above 320x240"); empty when
// it keeps inside. Containers are the caller's to compare (they are named by the reader).
std::vector<std::string> OutsideRow(const TComplianceRow& row, const TOutputFacts& facts);

// The job row's tooltip for an output outside its device's row, from OutsideRow's lines.
std::string OutsideDeviceNote(const std::vector<std::string>& outside);

// The display shape of `allowed` nearest to `aspect` (by ratio); the first when none is nearer.
TDisplayShape NearestShape(const std::vector<TDisplayShape>& allowed, double aspect);

} // namespace orvel
