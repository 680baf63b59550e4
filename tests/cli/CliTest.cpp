#include "CliSupport.h"
#include "app/store/IniFile.h"
#include "engine/component/FFmpegConverter.h"
#include "fixtures/Fixtures.h"
#include "probe/AVProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;
using orvel::fixtures::FixtureId;
using orvel::fixtures::Path;

namespace {

TEST(Cli, UsageErrorsExitWithTwoAndSayWhy) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--bogus", "a.avi"},
        {"--format", "9999", "a.avi"},
        {"--format"},
        {"--crop", "2,2,2", "a.avi"},
        {"--crop", "1,2,2,2", "a.avi"},
        {"--zoom", "wide", "a.avi"},
        {"--start", "soon", "a.avi"},
        {"--image-alpha", "300", "a.avi"},
        {"--image", "/nonexistent.bmp", "a.avi"},
    };
    for (const auto& args : cases) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(run.err.empty());
    }
    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--default-size"), std::string::npos);
}

TEST(Cli, ListFormatsGivesEveryCatalogEntry) {
    const CliRun run = RunCli({"--list-formats"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 121);
    EXPECT_NE(run.out.find("\n1\t"), std::string::npos);
}

TEST(Cli, InfoDescribesAFileAndRefusesANonMediaOne) {
    const CliRun run = RunCli({"--info", Path(FixtureId::Avi)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("320"), std::string::npos) << run.out;
    EXPECT_EQ(RunCli({"--info", Path(FixtureId::NonMedia)}).exitCode, 1);
}

// A new user's first conversion: no stored choice and no flag converts with the format's
// defaults, which the settings file then holds.
TEST(Cli, FormatNeverChosenConvertsWithItsDefaultChoices) {
    orvel::TFFmpegConverter libraries;
    ASSERT_TRUE(libraries.LoadLibraries(""));
    struct Case {
        const char* Code;
        FixtureId Source;
        const char* Output;
        const char* Video; // "" for none
        const char* Audio;
        const char* StoredVideoEncoder;
    };
    const Case cases[] = {
        {"2602", FixtureId::Mp4, "clip_(new).mp4", "mpeg4", "aac", "mpeg4"},
        {"2700", FixtureId::Wav, "tone_(new).mp3", "", "mp3float", "<absent>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Code);
        const fs::path dir = fs::path(ORVEL_BINARY_DIR) / ("cli-first-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        const std::string settings = (dir / "settings.ini").string();
        const CliRun run = RunCli(
            {"--settings", settings, "--format", c.Code, "--output-dir", dir.string(), Path(c.Source)});
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        orvel::TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile((dir / c.Output).string())) << probe.LastErrorMessage();
        orvel::TVideoStreamInfo video;
        orvel::TAudioStreamInfo audio;
        // The probe names a codec as "name(long name)".
        const auto shortName = [](const std::string& n) { return n.substr(0, n.find('(')); };
        EXPECT_EQ(probe.VideoStreamCount() > 0 && probe.GetVideoStreamInfo(-1, video)
                      ? shortName(video.CodecName)
                      : "",
                  c.Video);
        ASSERT_GT(probe.AudioStreamCount(), 0);
        ASSERT_TRUE(probe.GetAudioStreamInfo(-1, audio));
        EXPECT_EQ(shortName(audio.CodecName), c.Audio);
        EXPECT_EQ(orvel::TIniFile(settings).ReadString(std::string("formatInfo") + c.Code, "paraVideoEncoder",
                                                       "<absent>"),
                  c.StoredVideoEncoder);
        fs::remove_all(dir);
    }
}

// In a terminal without a desktop session the tool prints its own lines and nothing else.
TEST(Cli, PrintsOnlyItsOwnLinesWithoutADesktopSession) {
    const fs::path dir = fs::path(ORVEL_BINARY_DIR) / ("cli-quiet-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::vector<std::string> noSession = {"XDG_RUNTIME_DIR", "DISPLAY", "WAYLAND_DISPLAY"};
    const CliRun info = RunCli({"--info", Path(FixtureId::Avi)}, 120000, noSession);
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.err, "");
    const CliRun run = RunCli({"--settings", (dir / "settings.ini").string(), "--format", "2704",
                               "--output-dir", dir.string(), Path(FixtureId::Wav)},
                              120000, noSession);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    std::stringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line))
        EXPECT_TRUE(line.rfind("[1/1] ", 0) == 0 || line.rfind("done: ", 0) == 0) << line;
    fs::remove_all(dir);
}

TEST(Cli, ConvertsWithEffectsAndReportsTheFailedFile) {
    const fs::path dir = fs::path(ORVEL_BINARY_DIR) / ("cli-out-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::string settings = (dir / "settings.ini").string();
    const CliRun run = RunCli({"--settings", settings, "--format", "803", "--default-choices", "--output-dir",
                               dir.string(), "--length", "1", "--brightness", "300", "--text", "Orvel",
                               "--text-pos", "10,10", Path(FixtureId::Avi), Path(FixtureId::NonMedia)});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.out.find("not-media.avi"), std::string::npos) << run.out;
    ASSERT_TRUE(fs::exists(dir / "clip_(new).avi")) << run.out << run.err;
    EXPECT_GT(fs::file_size(dir / "clip_(new).avi"), 0u);
    // A second run never overwrites the first output.
    EXPECT_EQ(RunCli({"--settings", settings, "--format", "803", "--output-dir", dir.string(), "--length",
                      "0.5", Path(FixtureId::Avi)})
                  .exitCode,
              0);
    EXPECT_TRUE(fs::exists(dir / "clip_(new_1).avi"));
    fs::remove_all(dir);
}

// A stored size the format's device cannot show still converts; the terminal says so.
TEST(Cli, NamesAChoiceTheDeviceMayNotPlay) {
    const fs::path dir = fs::path(ORVEL_BINARY_DIR) / ("cli-device-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::string settings = (dir / "settings.ini").string();
    // The first run stores the format's defaults, which the device shows.
    const std::vector<std::string> args = {"--settings", settings,       "--format",
                                           "701",        "--output-dir", dir.string(),
                                           "--length",   "0.5",          Path(FixtureId::Avi)};
    const CliRun first = RunCli(args);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out.find("note: "), std::string::npos) << first.out;
    orvel::TIniFile(settings).WriteString("formatInfo701", "paraVideoSize", "640x480"); // Walkman: 320x240
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("note: " + Path(FixtureId::Avi) +
                           ": The device may not play this output: H.264 level 3.0 above 1.3; frame 640x480 "
                           "above 320x240.\n"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(fs::exists(dir / "clip_(new_1).mp4"));
    fs::remove_all(dir);
}

TEST(Cli, DefaultChoicesThatCannotBeStoredStopTheRun) {
    // /proc takes no new files, not even from root.
    const std::string settings = "/proc/orvel-settings/settings.ini";
    const fs::path dir = fs::path(ORVEL_BINARY_DIR) / ("cli-unstored-" + std::to_string(::getpid()));
    const CliRun run = RunCli({"--settings", settings, "--format", "803", "--default-choices", "--output-dir",
                               dir.string(), Path(FixtureId::Avi)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot store the format's default choices in " + settings), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir / "clip_(new).avi"));
    fs::remove_all(dir);
}

} // namespace
