#include "app/LibraryVersions.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}
#include <SDL.h>

#include <QtGlobal>

namespace orvel {
namespace {

// FFmpeg packs a version as major << 16 | minor << 8 | micro.
std::string Unpack(unsigned version) {
    return std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xFF) + "." +
           std::to_string(version & 0xFF);
}

} // namespace

std::vector<std::pair<std::string, std::string>> LibraryVersions() {
    SDL_version sdl{};
    SDL_GetVersion(&sdl);
    return {
        {"libavformat", Unpack(avformat_version())},
        {"libavcodec", Unpack(avcodec_version())},
        {"libavfilter", Unpack(avfilter_version())},
        {"libswscale", Unpack(swscale_version())},
        {"libswresample", Unpack(swresample_version())},
        {"libavutil", Unpack(avutil_version())},
        {"SDL",
         std::to_string(sdl.major) + "." + std::to_string(sdl.minor) + "." + std::to_string(sdl.patch)},
        {"Qt", qVersion()},
    };
}

} // namespace orvel
