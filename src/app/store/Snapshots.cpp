#include "app/store/Snapshots.h"

#include "app/store/AtomicFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <jpeglib.h>

namespace orvel {
namespace {

void PutU16(std::string& out, size_t at, uint32_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void PutU32(std::string& out, size_t at, uint32_t v) {
    PutU16(out, at, v & 0xFFFF);
    PutU16(out, at + 2, v >> 16);
}

// libjpeg's default error handler ends the process; this one jumps back to the encoder.
struct JpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Back;
};
[[noreturn]] void JumpBack(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->Back, 1);
}

// Plain C state only between setjmp and longjmp, so the jump skips no destructor.
bool CompressRgb(const uchar* rows, int stride, int width, int height, int quality, unsigned char** out,
                 unsigned long* size) {
    jpeg_compress_struct cinfo;
    JpegError error;
    cinfo.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = JumpBack;
    if (setjmp(error.Back)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows + static_cast<size_t>(cinfo.next_scanline) * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool MakeFolder(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

} // namespace

QImage ImageOfBitmap(const Bitmap24& frame) {
    if (frame.Empty()) return {};
    return QImage(frame.Bits(), frame.Width(), frame.Height(), frame.Stride(), QImage::Format_BGR888).copy();
}

QImage StretchedPicture(const QImage& picture, int width, int height) {
    if (picture.isNull()) return {};
    return picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::string EncodeBmp24(const QImage& picture) {
    if (picture.isNull()) return {};
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    const int width = bgr.width();
    const int height = bgr.height();
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const size_t imageBytes = rowBytes * static_cast<size_t>(height);
    constexpr size_t kHeader = 14 + 40;
    if (kHeader + imageBytes > 0xFFFFFFFFu) return {};
    std::string out(kHeader + imageBytes, '\0');
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out, 2, static_cast<uint32_t>(out.size()));
    PutU32(out, 10, kHeader);
    PutU32(out, 14, 40);
    PutU32(out, 18, static_cast<uint32_t>(width));
    PutU32(out, 22, static_cast<uint32_t>(height)); // positive: rows from the bottom up
    PutU16(out, 26, 1);
    PutU16(out, 28, 24);
    PutU32(out, 34, static_cast<uint32_t>(imageBytes));
    for (int y = 0; y < height; ++y)
        std::memcpy(out.data() + kHeader + rowBytes * static_cast<size_t>(height - 1 - y),
                    bgr.constScanLine(y), static_cast<size_t>(width) * 3);
    return out;
}

std::string EncodeJpeg(const QImage& picture, int quality) {
    if (picture.isNull()) return {};
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = CompressRgb(rgb.constBits(), static_cast<int>(rgb.bytesPerLine()), rgb.width(),
                                rgb.height(), quality, &buffer, &size);
    std::string out;
    if (ok && buffer) out.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

TSnapshotWriter::TSnapshotWriter(TAppSettings& settings, IMessageBoxes& boxes, std::string defaultDir)
    : settings_(settings), boxes_(boxes), defaultDir_(std::move(defaultDir)) {}

// A stored folder that cannot be created gives way to the default one, for this snapshot too:
// writing into a folder known not to exist would only lose the pictures.
std::string TSnapshotWriter::UsableFolder() {
    const std::string folder = settings_.SnapOutPutDir();
    if (MakeFolder(folder)) return folder;
    boxes_.Show("Cannot create output directory:" + folder + ".It will create default directory " +
                    defaultDir_ + "!",
                "Warning", TMsgIcon::Warning, TMsgButtons::Ok);
    if (!MakeFolder(defaultDir_)) {
        boxes_.Show("Cannot create output directory:" + defaultDir_, "Error", TMsgIcon::Error,
                    TMsgButtons::Ok);
        return {};
    }
    settings_.SetSnapOutPutDir(defaultDir_);
    return defaultDir_;
}

bool TSnapshotWriter::WriteOne(const std::string& path, const std::string& bytes, TSnapshotResult& result) {
    if (!bytes.empty() && WriteFileAtomically(path, bytes)) {
        result.Files.push_back(path);
        return true;
    }
    boxes_.Show("Cannot write the snapshot file " + path, "Error", TMsgIcon::Error, TMsgButtons::Ok);
    return false;
}

TSnapshotResult TSnapshotWriter::Save(const QImage& full, const QImage& small) {
    TSnapshotResult result;
    if (full.isNull()) return result;
    const std::string folder = UsableFolder();
    if (folder.empty()) return result;
    result.Folder = folder;
    const std::string dir = WithSlash(folder);
    const bool fullOn = settings_.SnapFullSize();
    const bool smallOn = settings_.SnapSmallSize();
    if (settings_.SnapBmp()) {
        if (fullOn) WriteOne(dir + kFullBmp, EncodeBmp24(full), result);
        if (smallOn) WriteOne(dir + kSmallBmp, EncodeBmp24(small), result);
    }
    if (settings_.SnapJpg()) {
        const int quality = settings_.JpgCmp();
        if (fullOn) WriteOne(dir + kFullJpg, EncodeJpeg(full, quality), result);
        if (smallOn) WriteOne(dir + kSmallJpg, EncodeJpeg(small, quality), result);
    }
    return result;
}

} // namespace orvel
