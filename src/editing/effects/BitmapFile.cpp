// BMP loading for the overlay picture. Single-frame renders read the picture for every frame, so
// the common file kind (uncompressed 24 bits) is read straight into the bitmap's rows with one
// read; every other kind goes through Qt's BMP reader and is flattened to 24 bits.
#include "editing/effects/EffectsRenderer.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace orvel {
namespace {

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;
// Larger pictures take Qt's path, whose allocation limit then applies.
constexpr int64_t kDirectLimit = 65535;

uint32_t U32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

struct TInfo {
    uint32_t offBits, infoSize, compression;
    int64_t width, height; // a negative height means top-down rows
    int bits;
};

TInfo ParseHeader(const uint8_t* h) {
    return TInfo{U32(h + 10),
                 U32(h + 14),
                 U32(h + 30),
                 static_cast<int32_t>(U32(h + 18)),
                 static_cast<int32_t>(U32(h + 22)),
                 U16(h + 28)};
}

// Uncompressed pixel data shorter than its header promises: the picture would be half garbage.
bool Truncated(const TInfo& info, int64_t fileSize) {
    if (info.infoSize < kInfoHeader || (info.compression != 0 && info.compression != 3) || info.width <= 0 ||
        info.width > kDirectLimit)
        return false; // not an uncompressed layout this check can size; the reader decides
    const int64_t rows = info.height < 0 ? -info.height : info.height;
    const int64_t stride = ((info.width * info.bits + 31) / 32) * 4;
    return static_cast<int64_t>(info.offBits) + stride * rows > fileSize;
}

// Uncompressed 24-bit rows are stored padded to 4 bytes, exactly as Bitmap24 keeps them.
bool ReadDirect(QFile& file, const TInfo& info, Bitmap24& picture) {
    if (info.infoSize < kInfoHeader || info.bits != 24 || info.compression != 0) return false;
    const int64_t rows = info.height < 0 ? -info.height : info.height;
    if (info.width <= 0 || info.width > kDirectLimit || rows == 0 || rows > kDirectLimit ||
        info.offBits < kFileHeader + info.infoSize)
        return false;
    const int64_t stride = Bitmap24::BytesPerLine(static_cast<int>(info.width));
    const int64_t need = stride * rows;
    picture.SetSize(static_cast<int>(info.width), static_cast<int>(rows));
    if (!file.seek(info.offBits) || file.read(reinterpret_cast<char*>(picture.Bits()), need) != need)
        return false;
    if (info.height > 0) { // stored bottom-up
        for (int64_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(picture.Row(static_cast<int>(top)), picture.Row(static_cast<int>(top)) + stride,
                             picture.Row(static_cast<int>(bottom)));
    }
    return true;
}

bool ReadWithQt(QFile& file, Bitmap24& picture, std::string& error, const std::string& path) {
    if (!file.seek(0)) {
        error = "Cannot read BMP picture " + Quoted(path) + ": " + file.errorString().toStdString();
        return false;
    }
    QImageReader reader(&file, "bmp");
    reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image)) {
        error = "Cannot read BMP picture " + Quoted(path) + ": " + reader.errorString().toStdString();
        return false;
    }
    // Palettes are expanded and an alpha channel is dropped.
    image = image.convertToFormat(QImage::Format_BGR888);
    picture.SetSize(image.width(), image.height());
    const size_t rowBytes = static_cast<size_t>(image.width()) * 3;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(picture.Row(y), image.constScanLine(y), rowBytes);
    return true;
}

} // namespace

bool LoadBitmapFile(const std::string& path, Bitmap24& picture, std::string& error) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = "Cannot open picture file " + Quoted(path) + ": " + file.errorString().toStdString();
        return false;
    }
    uint8_t header[kFileHeader + kInfoHeader] = {};
    const qint64 got = file.read(reinterpret_cast<char*>(header), sizeof header);
    if (got < 2 || header[0] != 'B' || header[1] != 'M') {
        error = Quoted(path) + " is not a BMP picture";
        return false;
    }
    if (got == static_cast<qint64>(sizeof header)) {
        const TInfo info = ParseHeader(header);
        if (Truncated(info, file.size())) {
            error = "BMP picture " + Quoted(path) + " is truncated";
            return false;
        }
        if (ReadDirect(file, info, picture)) return true;
    }
    return ReadWithQt(file, picture, error, path);
}

} // namespace orvel
