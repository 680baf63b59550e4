#include "FuzzInput.h"

#include "engine/foundation/FFmpegLoader.h"
#include "engine/foundation/FFmpegLogger.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace orvel::fuzz {

void Setup() {
    static const bool done = [] {
        if (!FFLoader().Load(kConverterLibraries)) {
            std::fprintf(stderr, "%s\n", FFLoader().LastError().c_str());
            std::abort();
        }
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetLogLevel(llQuiet);
        return true;
    }();
    (void)done;
}

const std::string& WorkDir() {
    static const std::string dir = [] {
        const std::string d =
            (std::filesystem::temp_directory_path() / ("orvel-fuzz-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

std::string WriteInput(const uint8_t* data, size_t size) {
    const std::string path = WorkDir() + "/input";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

} // namespace orvel::fuzz
