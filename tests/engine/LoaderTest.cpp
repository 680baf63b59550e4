#include "engine/foundation/FFmpegLoader.h"
#include "engine/foundation/FFmpegLogger.h"

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace orvel {
namespace {
namespace fs = std::filesystem;

constexpr TLibrarySet kAll = (1u << kLibraryKindCount) - 1;

// Each test starts from a loader with nothing loaded, no folder and no overrides.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { Restore(); }
    void TearDown() override { Restore(); }
    static void Restore() {
        TFFmpegLoader& l = FFLoader();
        l.Unload(kAll);
        l.SetLibraryFolder("");
        for (int k = 0; k < kLibraryKindCount; ++k)
            l.SetFileNameOverride(static_cast<TLibraryKind>(k), "");
    }
    static fs::path TempFolder(const std::string& name) {
        fs::path dir = fs::path(ORVEL_BINARY_DIR) / "loader-test" / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
        return dir;
    }
};

TEST_F(LoaderTest, FileNamesFollowTheLinkedMajors) {
    const struct {
        TLibraryKind kind;
        const char* name;
    } cases[] = {{lkAVCodec, "libavcodec.so.59"},
                 {lkAVDevice, "libavdevice.so.59"},
                 {lkAVFilter, "libavfilter.so.8"},
                 {lkAVFormat, "libavformat.so.59"},
                 {lkAVUtil, "libavutil.so.57"},
                 {lkSwScale, "libswscale.so.6"},
                 {lkMSVCRT, "libc.so.6"},
                 {lkSDL, "libSDL2-2.0.so.0"},
                 {lkSwResample, "libswresample.so.4"}};
    for (const auto& c : cases)
        EXPECT_EQ(FFLoader().LibraryFileName(c.kind), c.name);
    FFLoader().SetFileNameOverride(lkAVCodec, "/opt/x/libmine.so");
    EXPECT_EQ(FFLoader().LibraryFileName(lkAVCodec), "/opt/x/libmine.so");
}

TEST_F(LoaderTest, LoadsBothSetsAndUnloads) {
    TFFmpegLoader& l = FFLoader();
    ASSERT_TRUE(l.Load(kConverterLibraries)) << l.LastError();
    EXPECT_TRUE(l.AllLoaded(kConverterLibraries));
    EXPECT_FALSE(l.Loaded(lkSDL));
    EXPECT_FALSE(l.Loaded(lkAVDevice)) << "avdevice belongs to no set";
    ASSERT_TRUE(l.Load(kPlayerLibraries)) << l.LastError();
    EXPECT_TRUE(l.AllLoaded(kPlayerLibraries));
    l.Unload(lkSwScale);
    EXPECT_FALSE(l.Loaded(lkSwScale));
    EXPECT_FALSE(l.AllLoaded(kConverterLibraries));
    l.Unload(kPlayerLibraries);
    EXPECT_FALSE(l.Loaded(lkAVCodec));

    EXPECT_FALSE(l.Load(0));
    EXPECT_FALSE(l.LastError().empty());
    EXPECT_FALSE(l.AllLoaded(0));
}

TEST_F(LoaderTest, MissingLibraryUnloadsTheWholeSet) {
    TFFmpegLoader& l = FFLoader();
    ASSERT_TRUE(l.Load(LibraryBit(lkAVCodec) | LibraryBit(lkAVUtil)));
    // A folder without the file falls back to the normal search, which does not find it either.
    l.SetFileNameOverride(lkSwScale, "/nonexistent/libswscale-missing.so.6");
    EXPECT_FALSE(l.Load(kConverterLibraries));
    EXPECT_EQ(l.LastError().rfind("Load library libswscale-missing.so.6 error: ", 0), 0u) << l.LastError();
    EXPECT_NE(l.LastError().find("No such file or directory"), std::string::npos) << l.LastError();
    for (TLibraryKind k : {lkAVCodec, lkAVFilter, lkAVFormat, lkAVUtil, lkSwScale, lkMSVCRT, lkSwResample})
        EXPECT_FALSE(l.Loaded(k)) << k;
}

TEST_F(LoaderTest, FolderFileIsPreferredAndSearchIsTheFallBack) {
    TFFmpegLoader& l = FFLoader();
    const fs::path empty = TempFolder("empty");
    l.SetLibraryFolder(empty.string());
    EXPECT_TRUE(l.Load(kConverterLibraries))
        << "libraries not in the folder come from the normal search: " << l.LastError();
    l.Unload(kAll);

    // A broken file in the folder is taken, not silently skipped.
    const fs::path broken = TempFolder("broken");
    std::ofstream(broken / "libswscale.so.6") << "not a library";
    l.SetLibraryFolder(broken.string());
    EXPECT_FALSE(l.Load(kConverterLibraries));
    const std::string expected = "Load library " + (broken / "libswscale.so.6").string() + " error: ";
    EXPECT_EQ(l.LastError().rfind(expected, 0), 0u) << l.LastError();
    EXPECT_FALSE(l.Loaded(lkAVCodec));
}

TEST_F(LoaderTest, MissingEntryPointNamesFunctionAndLibrary) {
    TFFmpegLoader& l = FFLoader();
    // A real library that lacks every entry point of the filter library.
    l.SetFileNameOverride(lkAVFilter, "libz.so.1");
    EXPECT_FALSE(l.Load(kConverterLibraries));
    const std::string expected =
        std::string("Load function ") + LibraryItems()[lkAVFilter].Functions[0] + "@libz.so.1 error: ";
    EXPECT_EQ(l.LastError().rfind(expected, 0), 0u) << l.LastError();
    EXPECT_FALSE(l.Loaded(lkAVCodec));
    EXPECT_FALSE(l.Loaded(lkAVFilter));
}

TEST_F(LoaderTest, BindingTheUtilityLibraryRoutesLibraryLogs) {
    av_log_set_callback(av_log_default_callback);
    std::vector<std::string> lines;
    FFLogger().SetTriggerEventInMainThread(false);
    FFLogger().SetLogLevel(llInfo);
    FFLogger().SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& m) { lines.push_back(m); });
    ASSERT_TRUE(FFLoader().Load(LibraryBit(lkAVUtil)));
    av_log(nullptr, AV_LOG_ERROR, "routed\n");
    FFLogger().SetOnLog(nullptr);
    FFLogger().SetTriggerEventInMainThread(true);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "routed");
}

// Every library function the sources call must be checked by the loader, or a missing or too
// old library would only show up as a failure in the middle of a conversion.
TEST_F(LoaderTest, EveryLibraryCallInTheSourcesIsChecked) {
    // A handle's dlsym also searches the library's dependencies, so the owner of a symbol is
    // told by the file it lives in.
    // Only the libraries the program loads: libavdevice (there when FFmpeg's programs are
    // installed) pulls in device libraries whose initialisers leak, and the program never calls it.
    std::vector<std::pair<TLibraryKind, void*>> libs;
    for (int k = 0; k < kLibraryKindCount; ++k) {
        const auto kind = static_cast<TLibraryKind>(k);
        if (!(kPlayerLibraries & LibraryBit(kind))) continue;
        if (void* h = dlopen(FFLoader().LibraryFileName(kind).c_str(), RTLD_NOW | RTLD_LOCAL))
            libs.push_back({kind, h});
    }
    auto ownedBy = [](void* symbol, TLibraryKind kind) {
        Dl_info info{};
        return dladdr(symbol, &info) && info.dli_fname &&
               fs::path(info.dli_fname).filename() == FFLoader().LibraryFileName(kind);
    };
    const std::regex call(R"(\b((?:av|avcodec|avformat|avio|avfilter|avsubtitle|sws|swr|SDL)_\w+)\s*\()");
    std::set<std::string> missing;
    for (const char* dir : {"src/engine", "src/probe", "src/player", "tests/fixtures"}) {
        const fs::path root = fs::path(ORVEL_SOURCE_DIR) / dir;
        if (!fs::exists(root)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            const std::string s = text.str();
            for (std::sregex_iterator it(s.begin(), s.end(), call), end; it != end; ++it) {
                const std::string name = (*it)[1];
                for (auto [kind, handle] : libs) {
                    void* symbol = dlsym(handle, name.c_str());
                    if (!symbol || !ownedBy(symbol, kind)) continue;
                    const auto& fns = LibraryItems()[kind].Functions;
                    if (std::find_if(fns.begin(), fns.end(), [&](const char* f) { return name == f; }) ==
                        fns.end())
                        missing.insert(name + "@" + FFLoader().LibraryFileName(kind));
                }
            }
        }
    }
    for (auto [kind, handle] : libs)
        dlclose(handle);
    std::string list;
    for (const auto& m : missing)
        list += m + " ";
    EXPECT_TRUE(missing.empty()) << list;
}

} // namespace
} // namespace orvel
