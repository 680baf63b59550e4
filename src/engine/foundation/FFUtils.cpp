#include "engine/foundation/FFUtils.h"

#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/CodecLock.h"
#include "engine/foundation/StringUtils.h"

extern "C" {
#include <libavcodec/codec_desc.h>
#include <libavutil/avutil.h>
#include <libavutil/error.h>
}

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <thread>

namespace orvel {

std::string VStrFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string StrFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VStrFormat(format, args);
    va_end(args);
    return text;
}

std::unique_lock<std::recursive_mutex> LockCodecs() {
    std::unique_lock lock(CodecLock(), std::defer_lock);
    if (!MainThreadDispatcher().IsMainThread()) {
        lock.lock();
        return lock;
    }
    while (!lock.try_lock()) {
        ServeMainThread();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return lock;
}

std::string ErrorMessage(int code) {
    switch (code) {
    case AVERROR_PATCHWELCOME:
        return "Not yet implemented in FFmpeg";
    case AVERROR_PROTOCOL_NOT_FOUND:
    case AVERROR(EPROTONOSUPPORT):
        return "Unsupported network protocol";
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_MUXER_NOT_FOUND:
    case AVERROR(EILSEQ):
        return "Unknown format";
    case AVERROR(EDOM):
        return "Number syntax expected in filename";
    // The older libraries' codes for these two were EPIPE and EINVAL; both still mean them here.
    case AVERROR_EOF:
    case AVERROR(EPIPE):
        return "End of file";
    case AVERROR_INVALIDDATA:
    case AVERROR(EINVAL):
        return "Invalid data found when processing input";
    case AVERROR(ENOMEM):
        return "Not enough memory";
    case AVERROR(EIO):
        return "I/O error";
    case AVERROR(ENOENT):
        return "No such file or directory";
    default:
        break;
    }
    return StrFormat("Error number %d occurred", code);
}

std::string ErrorText(const std::string& prefix, int code) {
    return prefix + ": " + ErrorMessage(code);
}

std::string TimeText(int64_t us) {
    if (us == AV_NOPTS_VALUE) return "N/A";
    const char* sign = us < 0 ? "-" : "";
    const uint64_t v = us < 0 ? 0 - static_cast<uint64_t>(us) : static_cast<uint64_t>(us);
    const uint64_t hours = v / 3600000000ULL;
    const int minutes = static_cast<int>(v / 60000000ULL % 60);
    const int seconds = static_cast<int>(v / 1000000ULL % 60);
    const int ms = static_cast<int>(v % 1000000ULL * 1000 / 1000000);
    return StrFormat("%s%.2llu:%.2d:%.2d.%.3d", sign, static_cast<unsigned long long>(hours), minutes,
                     seconds, ms);
}

std::string SizeText(int64_t bytes) {
    if (bytes > 1073741824LL) return StrFormat("%.2f GB", bytes / 1073741824.0);
    if (bytes > 1048576LL) return StrFormat("%.2f MB", bytes / 1048576.0);
    if (bytes > 1024LL) return StrFormat("%.2f KB", bytes / 1024.0);
    return StrFormat("%lld Byte", static_cast<long long>(bytes));
}

double DateOfUnixTime(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    localtime_r(&t, &local);
    return (static_cast<double>(seconds) + local.tm_gmtoff) / 86400.0 + 25569.0;
}

std::string StandardTimeText(int64_t seconds) {
    tzset();
    // timezone: seconds west of UTC in standard time.
    const time_t t = static_cast<time_t>(seconds - timezone);
    struct tm tm {};
    gmtime_r(&t, &tm);
    return StrFormat("%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour, tm.tm_min, tm.tm_sec);
}

const char* LowerMediaTypeName(int type) {
    const char* name = av_get_media_type_string(static_cast<AVMediaType>(type));
    return name != nullptr ? name : "unknown";
}

std::string MediaTypeName(int type) {
    std::string name = LowerMediaTypeName(type);
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return name;
}

std::string CodecDescription(const AVCodec* codec, AVCodecID id, uint32_t tag) {
    if (codec) {
        const std::string longName = Trim(codec->long_name ? codec->long_name : "", " ");
        return longName.empty() ? std::string(codec->name)
                                : StrFormat("%s(%s)", codec->name, longName.c_str());
    }
    if (id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
    // Today's codec context has no free codec-name text; the id's registered name stands in.
    if (const AVCodecDescriptor* d = avcodec_descriptor_get(id)) {
        const std::string name = Trim(std::string(d->name).substr(0, 32), " ");
        if (!name.empty()) return name;
    }
    auto printable = [](uint32_t c) { return c >= 32 && c <= 126; };
    const uint32_t c0 = tag & 0xFF, c1 = (tag >> 8) & 0xFF, c2 = (tag >> 16) & 0xFF, c3 = tag >> 24;
    if (printable(c0) && printable(c1) && printable(c2) && printable(c3))
        return StrFormat("%c%c%c%c / 0x%04X", c0, c1, c2, c3, tag);
    return StrFormat("0x%04x", tag);
}

std::string MetadataValue(const AVDictionary* metadata, const std::string& key,
                          const std::string& defaultValue) {
    const AVDictionaryEntry* e = av_dict_get(metadata, key.c_str(), nullptr, 0);
    return e && e->value ? e->value : defaultValue;
}

} // namespace orvel
