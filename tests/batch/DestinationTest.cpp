#include "batch/Destination.h"
#include "app/store/AppSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace orvel;

namespace {

class CountingBoxes : public IMessageBoxes {
public:
    std::vector<std::string> texts;
    TMsgResult Show(const std::string& text, const std::string&, TMsgIcon, TMsgButtons) override {
        texts.push_back(text);
        return TMsgResult::Ok;
    }
};

class DestinationTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("orvel-dest-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "out");
        settings = std::make_unique<TAppSettings>((root / "settings.ini").string());
        settings->SetOutPutDir((root / "out").string());
    }
    void TearDown() override { fs::remove_all(root); }
    void Touch(const fs::path& p) { std::ofstream(p) << "x"; }

    fs::path root;
    std::unique_ptr<TAppSettings> settings;
    CountingBoxes boxes;
};

TEST_F(DestinationTest, FirstFreeNameWithEachEnding) {
    struct Case {
        std::vector<std::string> existing;
        std::string ending;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{}, ".mp4", "clip_(new).mp4"},
        {{"clip_(new).mp4"}, ".mp4", "clip_(new_1).mp4"},
        {{"clip_(new).mp4", "clip_(new_1).mp4"}, ".mp4", "clip_(new_2).mp4"},
        {{"clip_(new).avi"}, ".mp4", "clip_(new).mp4"},
        {{}, AddTimeEnding("mp4"), "clip_(new)_ipod.mp4"},
        {{"clip_(new)_ipod.mp4"}, AddTimeEnding("mp4"), "clip_(new_1)_ipod.mp4"},
    };
    for (const Case& c : cases) {
        fs::remove_all(root / "out");
        fs::create_directories(root / "out");
        for (const auto& name : c.existing)
            Touch(root / "out" / name);
        EXPECT_EQ(
            DestinationFileName("/videos/clip.avi", c.ending, *settings, boxes, (root / "def").string()),
            (root / "out" / c.expected).string());
    }
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(DestinationTest, NamesHandedOutInOneBatchAreNotReused) {
    const std::string first = (root / "out" / "clip_(new).mp4").string();
    auto taken = [&](const std::string& p) { return p == first; };
    EXPECT_EQ(FreeDestinationName((root / "out").string() + "/", "/b/clip.mov", ".mp4", taken),
              (root / "out" / "clip_(new_1).mp4").string());
}

TEST_F(DestinationTest, MissingFolderIsCreatedWithParents) {
    const fs::path deep = root / "a" / "b" / "c";
    settings->SetOutPutDir(deep.string());
    EXPECT_EQ(DestinationFileName("clip.avi", ".mp4", *settings, boxes, (root / "def").string()),
              (deep / "clip_(new).mp4").string());
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(boxes.texts.empty());
}

// "~" is the shell's home folder: a folder of that name in the working folder is never meant.
TEST_F(DestinationTest, ATildeFolderIsInTheHomeFolder) {
    const char* oldHome = std::getenv("HOME");
    const std::string saved = oldHome ? oldHome : "";
    setenv("HOME", (root / "home").string().c_str(), 1);
    const bool tildeBefore = fs::exists(fs::current_path() / "~");
    const struct {
        std::string typed, folder;
    } cases[] = {
        {"~/videos/out", (root / "home" / "videos" / "out").string()},
        {"~", (root / "home").string()},
    };
    for (const auto& c : cases) {
        settings->SetOutPutDir(c.typed);
        EXPECT_EQ(DestinationFileName("/v/clip.avi", ".mp4", *settings, boxes, (root / "def").string()),
                  c.folder + "/clip_(new).mp4")
            << c.typed;
        EXPECT_TRUE(fs::is_directory(c.folder));
        EXPECT_EQ(settings->OutPutDir(), c.typed) << "the setting keeps what the user typed";
    }
    EXPECT_EQ(fs::exists(fs::current_path() / "~"), tildeBefore) << "no folder named ~ was made";
    EXPECT_TRUE(boxes.texts.empty());
    setenv("HOME", saved.c_str(), 1);
}

TEST_F(DestinationTest, UncreatableFolderWarnsOnceAndFallsBackToTheDefault) {
    Touch(root / "file");
    const std::string bad = (root / "file" / "sub").string();
    const std::string def = (root / "def").string();
    settings->SetOutPutDir(bad);
    // The name lands in the folder that exists, not in the one that could not be made.
    EXPECT_EQ(DestinationFileName("clip.avi", ".mp4", *settings, boxes, def), def + "/clip_(new).mp4");
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0],
              "Cannot create output directory:" + bad + ".It will create default directory " + def + "!");
    EXPECT_EQ(settings->OutPutDir(), def);
    EXPECT_TRUE(fs::is_directory(def));
    EXPECT_EQ(DestinationFileName("clip.avi", ".mp4", *settings, boxes, def), def + "/clip_(new).mp4");
    EXPECT_EQ(boxes.texts.size(), 1u);
}

} // namespace
