// Every catalog format, at its default choices, converts a short clip through orvel-convert into
// a file that probes with the format's container. Prints the container and codecs of each.
#include "CliSupport.h"
#include "app/IniFile.h"
#include "engine/FFmpegConverter.h"
#include "fixtures/Fixtures.h"
#include "probe/AVProbe.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using namespace orvel;

namespace {

// Demuxers read several muxers' output under their own names.
std::string DemuxerFamily(const std::string& muxer) {
    static const std::map<std::string, std::string> family = {
        {"ipod", "mov"},
        {"psp", "mov"},
        {"mp4", "mov"},
        {"3gp", "mov"},
        {"3g2", "mov"},
        {"mov", "mov"},
        {"vcd", "mpeg"},
        {"svcd", "mpeg"},
        {"dvd", "mpeg"},
        {"vob", "mpeg"},
        {"mpeg", "mpeg"},
        {"matroska", "matroska"},
        {"webm", "matroska"},
        {"asf", "asf"},
        {"adts", "aac"},
        {"ipod", "mov"},
        {"mp2", "mp3"},
        {"oga", "ogg"},
        {"mpeg1video", "mpegvideo"},
        {"mpeg2video", "mpegvideo"},
    };
    const auto it = family.find(muxer);
    return it == family.end() ? muxer : it->second;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        parts.push_back(item);
    return parts;
}

TEST(AllFormats, EveryCatalogFormatConverts) {
    fixtures::ClipRecipe recipe;
    recipe.seconds = 1.0;
    const std::string clip = fixtures::Generate(recipe);
    const CliRun list = RunCli({"--list-formats"});
    ASSERT_EQ(list.exitCode, 0);
    TFFmpegConverter libraries;
    ASSERT_TRUE(libraries.LoadLibraries(""));
    const TIniFile definitions(std::string(ORVEL_BINARY_DIR) + "/orvelvideoformat.ini");
    const fs::path root = fs::path(ORVEL_BINARY_DIR) / ("all-formats-" + std::to_string(::getpid()));
    fs::remove_all(root);

    std::stringstream lines(list.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        const std::string code = line.substr(0, line.find('\t'));
        const std::string name = line.substr(line.find('\t') + 1);
        const std::string section = "formatInfo" + code;
        const fs::path dir = root / code;
        const CliRun run =
            RunCli({"--settings", (root / (code + ".ini")).string(), "--format", code, "--default-choices",
                    "--default-size", "--output-dir", dir.string(), clip});
        ++count;
        const fs::path out = dir / (fs::path(clip).stem().string() + "_(new)." +
                                    definitions.ReadString(section, "FileExt", "mp4"));
        if (run.exitCode != 0 || !fs::exists(out) || fs::file_size(out) == 0) {
            ADD_FAILURE() << code << " " << name << ": exit " << run.exitCode << "\n" << run.out << run.err;
            continue;
        }
        TAVProbe probe;
        if (!probe.LoadFile(out.string())) {
            ADD_FAILURE() << code << " " << name << ": output does not probe: " << probe.LastErrorMessage();
            continue;
        }
        const std::string format = definitions.ReadString(section, "Format", "");
        const AVOutputFormat* muxer = av_guess_format(format.c_str(), out.c_str(), nullptr);
        ASSERT_NE(muxer, nullptr) << code;
        const std::string expected = DemuxerFamily(muxer->name);
        const auto names = SplitCommas(probe.FormatName());
        EXPECT_TRUE(std::find(names.begin(), names.end(), expected) != names.end() ||
                    DemuxerFamily(probe.FormatName()) == expected)
            << code << " " << name << ": expected " << expected << ", probed " << probe.FormatName();
        TVideoStreamInfo video;
        TAudioStreamInfo audio;
        const std::string v =
            probe.VideoStreamCount() > 0 && probe.GetVideoStreamInfo(-1, video) ? video.CodecName : "-";
        const std::string a =
            probe.AudioStreamCount() > 0 && probe.GetAudioStreamInfo(-1, audio) ? audio.CodecName : "-";
        // Every category but the last (audio) makes video.
        EXPECT_EQ(v == "-", std::stoi(code) / 100 == 27)
            << code << " " << name << ": video " << v << ", " << probe.StreamCount() << " stream(s)";
        std::cout << "FORMAT\t" << code << "\t" << name << "\t" << probe.FormatName() << "\t" << v << "\t"
                  << a << "\n";
    }
    EXPECT_EQ(count, 121);
    fs::remove_all(root);
}

} // namespace
