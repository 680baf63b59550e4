// Every catalog format's output, from a fresh settings file, read back and held to its
// device's row: from a 16:9 and a 4:3 source, through orvel-convert. DVD outputs are authored
// with dvdauthor and SVCD and VCD outputs laid out with vcdimager; neither may warn. One test
// per family, so the families run side by side.
#include "formats/DeviceCompliance.h"
#include "CliSupport.h"
#include "engine/foundation/FFmpegLoader.h"
#include "fixtures/Fixtures.h"
#include "formats/H264Levels.h"
#include "probe/AVProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
namespace orvel {
// A failure names the family, not the row's bytes.
void PrintTo(const TComplianceRow& row, std::ostream* out) {
    *out << row.Family;
}
} // namespace orvel

using namespace orvel;

namespace {

struct TReadBack {
    std::vector<std::string> Containers; // the probe's demuxer names
    TOutputFacts Facts;
};

// The frame and its shown shape from the project's probe; codecs, the H.264 level (from the
// stream's parameter sets), rates and channels from the libraries' parsers.
bool ReadBack(const fs::path& file, TReadBack& out, std::string& error) {
    TAVProbe probe;
    if (!probe.LoadFile(file.string())) {
        error = "does not probe: " + probe.LastErrorMessage();
        return false;
    }
    out.Containers = SplitCommas(probe.FormatName());
    TVideoStreamInfo video;
    if (probe.VideoStreamCount() > 0 && probe.GetVideoStreamInfo(-1, video)) {
        out.Facts.Width = video.Width;
        out.Facts.Height = video.Height;
        out.Facts.DisplayAspect = video.DisplayAspect;
    }
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, file.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(ctx, nullptr) < 0) {
        avformat_close_input(&ctx);
        error = "the libraries do not read it";
        return false;
    }
    const int v = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (v >= 0) {
        const AVStream* st = ctx->streams[v];
        out.Facts.VideoCodec = avcodec_get_name(st->codecpar->codec_id);
        if (st->codecpar->codec_id == AV_CODEC_ID_H264) out.Facts.H264Level = st->codecpar->level;
        const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
        out.Facts.FrameRate = av_q2d(rate);
        // MPEG-1 and MPEG-2 headers state their highest rate as a variable rate: not a rate.
        constexpr int64_t kVariableRate = 0x3FFFF * 400LL;
        if (st->codecpar->bit_rate != kVariableRate)
            out.Facts.VideoKbps = static_cast<int>(st->codecpar->bit_rate / 1000);
    }
    const int a = av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (a >= 0) {
        const AVCodecParameters* par = ctx->streams[a]->codecpar;
        out.Facts.AudioCodec = avcodec_get_name(par->codec_id);
        out.Facts.SampleRate = par->sample_rate;
        out.Facts.Channels = par->ch_layout.nb_channels;
    }
    avformat_close_input(&ctx);
    return true;
}

struct TToolRun {
    bool Ran = false;
    std::string Output;
};

TToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& env = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env)
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList list;
    for (const auto& arg : args)
        list << QString::fromStdString(arg);
    process.start(QString::fromStdString(program), list);
    TToolRun run;
    run.Ran = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
              process.exitCode() == 0;
    run.Output = process.readAll().toStdString();
    return run;
}

// The authoring tool's lines that warn or fail.
std::vector<std::string> Complaints(const std::string& output) {
    std::vector<std::string> lines;
    std::stringstream in(output);
    std::string line;
    while (std::getline(in, line))
        if (line.find("WARN") != std::string::npos || line.find("ERR") != std::string::npos)
            lines.push_back(line);
    return lines;
}

// What the disc's own tool says of the output: empty for a format no tool checks.
void CheckWithDiscTool(const std::string& family, const fs::path& file, const fs::path& work) {
    TToolRun run;
    if (family.rfind("DVD", 0) == 0) {
        const std::string norm = family.find("NTSC") != std::string::npos ? "NTSC" : "PAL";
        run = RunTool("dvdauthor", {"-o", (work / "dvd").string(), "-t", file.string()},
                      {{"VIDEO_FORMAT", norm}});
    } else if (family.rfind("SVCD", 0) == 0 || family.rfind("VCD", 0) == 0) {
        const std::string type = family.rfind("SVCD", 0) == 0 ? "svcd" : "vcd2";
        run = RunTool("vcdimager", {"-t", type, "-c", (work / "disc.cue").string(), "-b",
                                    (work / "disc.bin").string(), file.string()});
    } else {
        return;
    }
    EXPECT_TRUE(run.Ran) << run.Output;
    const auto complaints = Complaints(run.Output);
    EXPECT_TRUE(complaints.empty()) << testing::PrintToString(complaints);
}

std::string TestName(const testing::TestParamInfo<TComplianceRow>& info) {
    std::string name;
    for (char c : info.param.Family)
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
}

class DeviceCompliance : public testing::TestWithParam<TComplianceRow> {
protected:
    void SetUp() override { ASSERT_TRUE(FFLoader().Load(kConverterLibraries)) << FFLoader().LastError(); }
};

TEST_P(DeviceCompliance, EveryFormatOfTheFamilyStaysInsideItsRow) {
    const TComplianceRow& row = GetParam();
    // A disc's tools also judge a stream's length in sectors: its pictures cost what camera
    // footage costs.
    const bool disc = !row.DisplayAspects.empty() && row.Containers == std::vector<std::string>{"mpeg"};
    fixtures::ClipRecipe wide;
    wide.width = 640;
    wide.height = 360;
    wide.detail = disc;
    fixtures::ClipRecipe standard; // 320x240
    standard.detail = disc;
    const fs::path root = fs::path(ORVEL_BINARY_DIR) /
                          ("device-compliance-" + TestName({row, 0}) + "-" + std::to_string(::getpid()));
    fs::remove_all(root);

    for (const int code : row.Codes) {
        for (const auto& [shape, recipe] : {std::pair{"16:9", wide}, std::pair{"4:3", standard}}) {
            const std::string clip = fixtures::Generate(recipe);
            SCOPED_TRACE(std::to_string(code) + " from the " + shape + " source");
            const fs::path work = root / (std::to_string(code) + "-" + std::to_string(recipe.width));
            const CliRun run = RunCli({"--settings", (work / "settings.ini").string(), "--format",
                                       std::to_string(code), "--output-dir", (work / "out").string(), clip});
            ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
            ASSERT_TRUE(fs::exists(work / "out"));
            const fs::directory_iterator files(work / "out");
            ASSERT_NE(files, fs::directory_iterator());
            const fs::path output = files->path();

            TReadBack back;
            std::string error;
            ASSERT_TRUE(ReadBack(output, back, error)) << error;
            const bool containerListed =
                std::any_of(back.Containers.begin(), back.Containers.end(), [&](const std::string& name) {
                    return std::find(row.Containers.begin(), row.Containers.end(), name) !=
                           row.Containers.end();
                });
            EXPECT_TRUE(containerListed) << testing::PrintToString(back.Containers);
            EXPECT_EQ(back.Facts.VideoCodec.empty(), row.VideoCodecs.empty()) << back.Facts.VideoCodec;
            EXPECT_FALSE(back.Facts.AudioCodec.empty());
            const auto outside = OutsideRow(row, back.Facts);
            EXPECT_TRUE(outside.empty()) << testing::PrintToString(outside);
            if (back.Facts.VideoCodec == "h264") {
                const TH264Stream frame{back.Facts.Width, back.Facts.Height, back.Facts.FrameRate, 0, 0};
                EXPECT_TRUE(H264LevelAdmits(back.Facts.H264Level, frame))
                    << "level " << back.Facts.H264Level << " for " << back.Facts.Width << "x"
                    << back.Facts.Height << " at " << back.Facts.FrameRate;
            }
            CheckWithDiscTool(row.Family, output, work);
            std::cout << "COMPLIANCE\t" << code << "\t" << shape << "\t" << back.Facts.VideoCodec << "\t"
                      << back.Facts.Width << "x" << back.Facts.Height << "\t" << back.Facts.DisplayAspect
                      << "\t" << back.Facts.FrameRate << "\t" << back.Facts.H264Level << "\t"
                      << back.Facts.VideoKbps << "\t" << back.Facts.AudioCodec << "\t"
                      << back.Facts.SampleRate << "\n";
        }
    }
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Families, DeviceCompliance, testing::ValuesIn(ComplianceRows()), TestName);

TEST(DeviceComplianceTable, EveryCatalogFormatHasExactlyOneRow) {
    const CliRun list = RunCli({"--list-formats"});
    ASSERT_EQ(list.exitCode, 0);
    std::stringstream lines(list.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        const int code = std::stoi(line.substr(0, line.find('\t')));
        ++count;
        int rows = 0;
        for (const TComplianceRow& row : ComplianceRows())
            rows += static_cast<int>(std::count(row.Codes.begin(), row.Codes.end(), code));
        EXPECT_EQ(rows, 1) << line;
    }
    EXPECT_EQ(count, 121);
}

} // namespace
