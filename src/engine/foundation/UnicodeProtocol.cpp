#include "engine/foundation/UnicodeProtocol.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel {
namespace {

// Schemes of names the libraries open themselves, written as ":scheme:" list entries.
const char kNeverWrapped[] = ":unicode:stream:gopher:http:pipe:rtp:tcp:udp:";
// Addresses are cut to this many bytes, the libraries' own URL limit.
constexpr size_t kMaxUrlBytes = 2047;
constexpr int kBufferSize = 32768;

std::atomic<int> g_openFiles{0};

struct UnicodeFile {
    int fd;
};

int ReadPacket(void* opaque, uint8_t* buf, int size) {
    const int fd = static_cast<UnicodeFile*>(opaque)->fd;
    ssize_t n;
    do
        n = ::read(fd, buf, static_cast<size_t>(size));
    while (n < 0 && errno == EINTR);
    if (n < 0) return AVERROR(errno);
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

int WritePacket(void* opaque, uint8_t* buf, int size) {
    const int fd = static_cast<UnicodeFile*>(opaque)->fd;
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, buf + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return AVERROR(errno);
        }
        done += static_cast<int>(n);
    }
    return done;
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
    const int fd = static_cast<UnicodeFile*>(opaque)->fd;
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        if (fstat(fd, &st) < 0) return AVERROR(errno);
        return st.st_size;
    }
    whence &= ~AVSEEK_FORCE;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
    const off_t pos = lseek(fd, offset, whence);
    return pos < 0 ? AVERROR(errno) : pos;
}

bool IsOurs(const AVIOContext* pb) {
    return pb && pb->read_packet == &ReadPacket;
}

int OpenAddress(AVIOContext** pb, const std::string& url, int flags) {
    const std::string name = FileNameOfUrl(url);
    int oflags = O_RDONLY;
    if (flags & AVIO_FLAG_WRITE) oflags = ((flags & AVIO_FLAG_READ) ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    const int fd = ::open(name.c_str(), oflags | O_CLOEXEC, 0666);
    if (fd < 0) return AVERROR(errno);
    auto* file = new UnicodeFile{fd};
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    AVIOContext* ctx = buffer ? avio_alloc_context(buffer, kBufferSize, (flags & AVIO_FLAG_WRITE) ? 1 : 0,
                                                   file, &ReadPacket, &WritePacket, &Seek)
                              : nullptr;
    if (!ctx) {
        av_free(buffer);
        ::close(fd);
        delete file;
        return AVERROR(ENOMEM);
    }
    struct stat st {};
    ctx->seekable = (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) ? AVIO_SEEKABLE_NORMAL : 0;
    ++g_openFiles;
    *pb = ctx;
    return 0;
}

int CloseAddress(AVIOContext** pb) {
    AVIOContext* ctx = *pb;
    avio_flush(ctx);
    const int error = ctx->error;
    auto* file = static_cast<UnicodeFile*>(ctx->opaque);
    av_freep(&ctx->buffer);
    avio_context_free(pb);
    int result = error < 0 ? error : 0;
    if (::close(file->fd) < 0 && result == 0) result = AVERROR(errno);
    delete file;
    --g_openFiles;
    return result;
}

} // namespace

bool NeedsUnicodeProtocol(const std::string& fileName) {
    const size_t colon = fileName.find(':');
    if (colon != std::string::npos && colon > 0) {
        std::string entry = ":"; // built by appending; see LibraryFileName on GCC 12's -Wrestrict
        entry.append(fileName, 0, colon).append(":");
        if (std::strstr(kNeverWrapped, entry.c_str())) return false;
    }
    for (unsigned char c : fileName)
        if (c >= 0x80) return true;
    return false;
}

namespace {
std::string CutToUrlLimit(std::string url) {
    if (url.size() > kMaxUrlBytes) {
        // Cut on a character boundary so the address stays valid UTF-8.
        size_t cut = kMaxUrlBytes;
        while (cut > 0 && (static_cast<unsigned char>(url[cut]) & 0xC0) == 0x80)
            --cut;
        url.resize(cut);
    }
    return url;
}
} // namespace

std::string LibraryUrl(const std::string& fileName) {
    return CutToUrlLimit(NeedsUnicodeProtocol(fileName) ? kUnicodeUrlPrefix + fileName : fileName);
}

std::string InputUrl(const std::string& fileName) {
    if (fileName.empty() || IsUnicodeUrl(fileName)) return fileName;
    if (avio_find_protocol_name(fileName.c_str()) != nullptr) return fileName;
    return CutToUrlLimit(kUnicodeUrlPrefix + fileName);
}

bool IsUnicodeUrl(const std::string& text) {
    return text.size() >= 14 && text.compare(0, 13, kUnicodeUrlPrefix) == 0;
}

std::string FileNameOfUrl(const std::string& url) {
    return IsUnicodeUrl(url) ? url.substr(13) : url;
}

int OpenInput(AVFormatContext** ctx, const std::string& fileName, const AVInputFormat* format,
              AVDictionary** options) {
    if (!IsUnicodeUrl(fileName)) return avformat_open_input(ctx, fileName.c_str(), format, options);
    AVIOContext* pb = nullptr;
    int r = OpenAddress(&pb, fileName, AVIO_FLAG_READ);
    if (r < 0) {
        avformat_free_context(*ctx);
        *ctx = nullptr;
        return r;
    }
    if (!*ctx) *ctx = avformat_alloc_context();
    if (!*ctx) {
        CloseAddress(&pb);
        return AVERROR(ENOMEM);
    }
    // A context with its own byte I/O is never closed by the libraries: CloseInput does it.
    (*ctx)->pb = pb;
    r = avformat_open_input(ctx, fileName.c_str(), format, options);
    if (r < 0) CloseAddress(&pb);
    return r;
}

void CloseInput(AVFormatContext** ctx) {
    if (!ctx || !*ctx) return;
    AVIOContext* pb = ((*ctx)->flags & AVFMT_FLAG_CUSTOM_IO) && IsOurs((*ctx)->pb) ? (*ctx)->pb : nullptr;
    avformat_close_input(ctx);
    if (pb) CloseAddress(&pb);
}

int OpenOutputIO(AVIOContext** pb, const std::string& fileName, int flags) {
    if (IsUnicodeUrl(fileName)) return OpenAddress(pb, fileName, flags);
    return avio_open(pb, fileName.c_str(), flags);
}

int CloseIO(AVIOContext** pb) {
    if (!pb || !*pb) return 0;
    if (IsOurs(*pb)) return CloseAddress(pb);
    return avio_closep(pb);
}

int OpenUnicodeFileCount() {
    return g_openFiles.load();
}

} // namespace orvel
