#pragma once
// Run-time check that the media libraries this program calls are present, kind by kind.
//
// The program is linked against the libraries, so the loader does not fill function pointers:
// it opens each library of a set with dlopen (from the library folder when the file is there,
// else through the system's normal search) and checks with dlsym that every entry point the
// code calls from it is exported. A set that fails is unloaded as a whole and LastError tells
// which library or entry point is missing, so the application can refuse to work with a clear
// message instead of failing deep inside a conversion.
//
// Floating point: x86-64 Linux runs every thread with all floating-point exceptions masked
// (the SSE control register's default), which is what the library code expects, so nothing has
// to be saved, changed or restored around the libraries.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace orvel {

enum TLibraryKind : int {
    lkAVCodec = 0,
    lkAVDevice = 1,
    lkAVFilter = 2,
    lkAVFormat = 3,
    lkAVUtil = 4,
    lkSwScale = 5,
    lkMSVCRT = 6, // the C library the media libraries use
    lkSDL = 7,
    lkSwResample = 8, // audio resampling and sample-format conversion of today's libraries
};
constexpr int kLibraryKindCount = 9;

// A set of kinds, one bit per kind.
using TLibrarySet = uint32_t;
constexpr TLibrarySet LibraryBit(TLibraryKind kind) {
    return 1u << kind;
}
constexpr TLibrarySet kConverterLibraries =
    LibraryBit(lkAVCodec) | LibraryBit(lkAVFilter) | LibraryBit(lkAVFormat) | LibraryBit(lkAVUtil) |
    LibraryBit(lkSwScale) | LibraryBit(lkMSVCRT) | LibraryBit(lkSwResample);
constexpr TLibrarySet kPlayerLibraries = kConverterLibraries | LibraryBit(lkSDL);

struct TLibraryItem {
    TLibraryKind Kind;
    const char* BaseName;
    int Version;                        // the soname's major; negative for none
    std::vector<const char*> Functions; // entry points the program calls
    std::vector<const char*> Variables; // data symbols the program reads
};

struct TLibraryStatus {
    TLibraryKind Kind;
    std::string FileName; // override of the file name; empty for the default
    void* Handle = nullptr;
    bool Bound = false;
};

// The fixed table of the known libraries, indexed by kind.
const std::array<TLibraryItem, kLibraryKindCount>& LibraryItems();

class TFFmpegLoader {
public:
    TFFmpegLoader();
    ~TFFmpegLoader();
    TFFmpegLoader(const TFFmpegLoader&) = delete;
    TFFmpegLoader& operator=(const TFFmpegLoader&) = delete;

    void SetLibraryFolder(const std::string& folder);
    std::string LibraryFolder() const;
    std::string LastError() const;

    // The override when set, else the default name (e.g. "libavcodec.so.59", "libc.so.6").
    std::string LibraryFileName(TLibraryKind kind) const;
    void SetFileNameOverride(TLibraryKind kind, const std::string& fileName);

    // Loads the kinds of the set in kind order; at the first failure unloads the whole set and
    // answers false. An empty set is an error. Never throws.
    bool Load(TLibrarySet set);
    bool Loaded(TLibraryKind kind) const;
    bool AllLoaded(TLibrarySet set) const;
    void Unload(TLibraryKind kind);
    void Unload(TLibrarySet set);

    // Whether binding avutil routes the libraries' log output to the shared logger (on).
    bool InstallLogCallback() const;
    void SetInstallLogCallback(bool value);

private:
    bool LoadOne(TLibraryKind kind);
    bool Bind(TLibraryKind kind);
    void UnloadOne(TLibraryKind kind);

    mutable std::recursive_mutex mutex_;
    std::string folder_;
    std::string lastError_;
    std::array<TLibraryStatus, kLibraryKindCount> status_;
    bool installLogCallback_ = true;
};

// The process-wide loader.
TFFmpegLoader& FFLoader();

} // namespace orvel
