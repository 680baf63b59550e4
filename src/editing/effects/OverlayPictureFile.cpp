// The overlay picture's file: BMP through the BMP loader, PNG with its opacity kept.
#include "editing/effects/EffectsRenderer.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstring>

namespace orvel {
namespace {

bool IsPng(QFile& file) {
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    char head[8] = {};
    return file.read(head, 8) == 8 && std::memcmp(head, kSignature, 8) == 0;
}

} // namespace

bool LoadOverlayPicture(const std::string& path, Bitmap24& picture, std::vector<uint8_t>& alpha,
                        std::string& error) {
    alpha.clear();
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || !IsPng(file)) return LoadBitmapFile(path, picture, error);
    file.seek(0);
    QImageReader reader(&file, "png");
    reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image)) {
        error = "Cannot read PNG picture \"" + path + "\": " + reader.errorString().toStdString();
        return false;
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    picture.SetSize(image.width(), image.height());
    alpha.resize(static_cast<size_t>(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint8_t* out = picture.Row(y);
        uint8_t* opacity = alpha.data() + static_cast<size_t>(y) * image.width();
        for (int x = 0; x < image.width(); ++x) {
            out[x * 3] = static_cast<uint8_t>(qBlue(in[x]));
            out[x * 3 + 1] = static_cast<uint8_t>(qGreen(in[x]));
            out[x * 3 + 2] = static_cast<uint8_t>(qRed(in[x]));
            opacity[x] = static_cast<uint8_t>(qAlpha(in[x]));
        }
    }
    return true;
}

} // namespace orvel
