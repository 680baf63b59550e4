// Converts a byte buffer, taken as a file, through the conversion component to a small AVI,
// limited to a short stretch so that every input ends quickly.
#include "FuzzInput.h"
#include "engine/component/FFmpegConverter.h"
#include "fixtures/FuzzInputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvel::fuzz::Setup();
    const std::string path = orvel::fuzz::WriteInput(data, size);
    orvel::TFFmpegConverter converter;
    converter.SetTriggerEventInMainThread(false);
    if (!converter.LoadLibraries("")) return 0;
    const int task = converter.AddTask(path);
    if (task < 0) return 0;
    const orvel::TOutputOptions out = orvel::fixtures::FuzzConversionOutput();
    if (!converter.SetOutputFile(task, orvel::fuzz::WorkDir() + "/output.avi", &out)) return 0;
    converter.StartTask(0);
    return 0;
}
