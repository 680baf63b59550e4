#pragma once
// Snapshots of a preview: the full picture and a small one, written as BMP and JPEG files into
// the snapshot folder as the four "snap" switches choose. Files are replaced whole, never left
// half written.
#include "app/store/AppSettings.h"
#include "app/store/MessageBoxes.h"
#include "engine/pictures/Bitmap24.h"

#include <QImage>

#include <string>
#include <vector>

namespace orvel {

// The main window's video area; its small snapshot is the frame stretched to this size.
inline constexpr int kPreviewPanelWidth = 243;
inline constexpr int kPreviewPanelHeight = 171;

// A deep copy of a frame (bytes blue, green, red), so the image outlives the frame's owner.
QImage ImageOfBitmap(const Bitmap24& frame);
// The picture stretched to width x height without keeping its proportions.
QImage StretchedPicture(const QImage& picture, int width, int height);

// Encoded files of a picture. An empty answer means the picture could not be encoded.
std::string EncodeBmp24(const QImage& picture);
std::string EncodeJpeg(const QImage& picture, int quality);

// What one snapshot wrote: the folder used (empty when none could be used) and each file.
struct TSnapshotResult {
    std::string Folder;
    std::vector<std::string> Files;
};

class TSnapshotWriter {
public:
    // defaultDir: where snapshots go when the stored folder cannot be created.
    TSnapshotWriter(TAppSettings& settings, IMessageBoxes& boxes, std::string defaultDir);

    // Writes the files the switches ask for; problems are shown as message boxes.
    TSnapshotResult Save(const QImage& full, const QImage& small);

    static constexpr const char* kFullBmp = "Snapshot_full.bmp";
    static constexpr const char* kSmallBmp = "Snapshot_small.bmp";
    static constexpr const char* kFullJpg = "Snapshot_full.jpg";
    static constexpr const char* kSmallJpg = "Snapshot_small.jpg";

private:
    std::string UsableFolder();
    bool WriteOne(const std::string& path, const std::string& bytes, TSnapshotResult& result);

    TAppSettings& settings_;
    IMessageBoxes& boxes_;
    std::string defaultDir_;
};

} // namespace orvel
