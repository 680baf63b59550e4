// Writes the seed corpus of the fuzz targets: short, small clips of the fixture generator in
// the containers and codecs the converter meets most, so that fuzzing starts from valid files.
// Usage: fuzz_seeds FOLDER
#include "engine/FFmpegLoader.h"
#include "fixtures/Fixtures.h"

#include <cstdio>
#include <filesystem>
#include <string>

using orvel::fixtures::ClipRecipe;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    if (!orvel::FFLoader().Load(orvel::kConverterLibraries)) {
        std::fprintf(stderr, "%s\n", orvel::FFLoader().LastError().c_str());
        return 1;
    }
    struct Seed {
        const char* name;
        const char* container;
        const char* video;
        const char* audio;
        const char* subtitle;
    };
    // Small pictures and a fraction of a second keep each seed a few kilobytes, so the fuzzer
    // runs many inputs per second.
    const Seed seeds[] = {
        {"seed.mp4", "mp4", "libx264", "aac", ""},          {"seed.avi", "avi", "mpeg4", "libmp3lame", ""},
        {"seed.mkv", "matroska", "mpeg4", "aac", "subrip"}, {"seed.ts", "mpegts", "mpeg2video", "mp2", ""},
        {"seed.flv", "flv", "flv", "libmp3lame", ""},       {"seed.mpg", "mpeg", "mpeg1video", "mp2", ""},
        {"seed.mp3", "mp3", "", "libmp3lame", ""},          {"seed.wav", "wav", "", "pcm_s16le", ""},
        {"seed.ogg", "ogg", "", "libvorbis", ""},           {"seed.mov", "mov", "mpeg4", "pcm_s16le", ""},
    };
    int failed = 0;
    for (const Seed& s : seeds) {
        ClipRecipe r;
        r.container = s.container;
        r.videoCodec = s.video;
        r.audioCodec = s.audio;
        r.subtitleCodec = s.subtitle;
        r.width = 32;
        r.height = 24;
        r.fps = 25;
        r.seconds = 0.2;
        r.sampleRate = 22050;
        r.channels = 1;
        std::string error;
        if (!orvel::fixtures::WriteClip(r, dir + "/" + s.name, &error)) {
            std::fprintf(stderr, "%s: %s\n", s.name, error.c_str());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
