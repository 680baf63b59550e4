#pragma once
// The overlay picture of a job, read from its BMP or PNG file once and kept while the file stays the
// same. A conversion blends the picture into every frame; reading and decoding the file for each
// one cost more than the blend. The file's identity, size and change times are checked on every
// frame, so a picture replaced or rewritten on disk shows up at once, and a file that has gone
// fails every frame as before.
#include "engine/pictures/Bitmap24.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvel {

class TPictureCache {
public:
    // The picture at path as the file is now, or nullptr with error set when it cannot be read.
    // The pointer stays valid until the next call.
    Bitmap24* Picture(const std::string& path, std::string& error);
    // The opacity of the picture last answered, one byte per pixel; empty for a picture without.
    const std::vector<uint8_t>& Alpha() const { return alpha_; }

private:
    struct TFileStamp {
        uint64_t Device = 0, Inode = 0;
        int64_t Size = 0;
        int64_t ModifiedSec = 0, ModifiedNsec = 0, ChangedSec = 0, ChangedNsec = 0;
        bool operator==(const TFileStamp&) const = default;
    };
    static bool StampOf(const std::string& path, TFileStamp& stamp);

    bool valid_ = false;
    std::string path_;
    TFileStamp stamp_;
    Bitmap24 picture_;
    std::vector<uint8_t> alpha_;
};

} // namespace orvel
