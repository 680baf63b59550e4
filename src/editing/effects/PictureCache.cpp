#include "editing/effects/PictureCache.h"

#include "editing/effects/EffectsRenderer.h"

#include <sys/stat.h>

namespace orvel {

bool TPictureCache::StampOf(const std::string& path, TFileStamp& stamp) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    stamp = TFileStamp{static_cast<uint64_t>(st.st_dev),
                       static_cast<uint64_t>(st.st_ino),
                       static_cast<int64_t>(st.st_size),
                       static_cast<int64_t>(st.st_mtim.tv_sec),
                       st.st_mtim.tv_nsec,
                       static_cast<int64_t>(st.st_ctim.tv_sec),
                       st.st_ctim.tv_nsec};
    return true;
}

Bitmap24* TPictureCache::Picture(const std::string& path, std::string& error) {
    TFileStamp now;
    if (!StampOf(path, now)) {
        // Gone or not reachable: the loader says why in its own words.
        valid_ = false;
        return LoadOverlayPicture(path, picture_, alpha_, error) ? &picture_ : nullptr;
    }
    if (valid_ && now == stamp_ && path == path_) return &picture_;
    valid_ = false;
    if (!LoadOverlayPicture(path, picture_, alpha_, error)) return nullptr;
    valid_ = true;
    path_ = path;
    stamp_ = now;
    return &picture_;
}

} // namespace orvel
