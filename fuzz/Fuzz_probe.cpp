// Probes a byte buffer as a file: opening, stream information and the description text.
#include "FuzzInput.h"
#include "probe/AVProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvel::fuzz::Setup();
    const std::string path = orvel::fuzz::WriteInput(data, size);
    orvel::TAVProbe probe;
    if (probe.LoadFile(path)) {
        (void)probe.InfoText();
        orvel::TFileStreamInfo file;
        probe.GetFileStreamInfo(file);
        for (int i = 0; i < probe.StreamCount(); ++i) {
            orvel::TAudioStreamInfo audio;
            orvel::TVideoStreamInfo video;
            probe.GetAudioStreamInfo(i, audio);
            probe.GetVideoStreamInfo(i, video);
        }
    }
    return 0;
}
