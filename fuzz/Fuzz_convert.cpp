// Converts a byte buffer, taken as a file, to a small AVI (MPEG-4 video, MP2 audio) through the
// conversion component, limited to a short stretch so that every input ends quickly.
#include "FuzzInput.h"
#include "engine/FFmpegConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvel::fuzz::Setup();
    const std::string path = orvel::fuzz::WriteInput(data, size);
    orvel::TFFmpegConverter converter;
    converter.SetTriggerEventInMainThread(false);
    if (!converter.LoadLibraries("")) return 0;
    const int task = converter.AddTask(path);
    if (task < 0) return 0;
    orvel::TOutputOptions out;
    out.FileFormat = "avi";
    out.VideoCodec = "mpeg4";
    out.AudioCodec = "mp2";
    out.FrameSize = "32x24";
    out.AudioSampleRate = 8000;
    out.AudioChannels = 1;
    out.RecordingTime = 500000; // half a second
    if (!converter.SetOutputFile(task, orvel::fuzz::WorkDir() + "/output.avi", &out)) return 0;
    converter.StartTask(0);
    return 0;
}
