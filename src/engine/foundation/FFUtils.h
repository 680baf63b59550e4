#pragma once
// Small helpers the engine, the player and the probe share: error, time and size texts, media
// type and codec names, metadata values.
#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <string>

extern "C" {
#include <libavcodec/codec.h>
#include <libavcodec/codec_id.h>
#include <libavutil/dict.h>
}

namespace orvel {

// The text of a library error code. The codes the engine has always named keep their fixed
// texts; other codes use the library's own description, or "Error number %d occurred".
std::string ErrorMessage(int code);
// prefix + ": " + ErrorMessage(code)
std::string ErrorText(const std::string& prefix, int code);

// "%.2d:%.2d:%.2d.%.3d" of a microsecond count; "N/A" for the no-time-stamp value. A negative
// count is written with a leading "-".
std::string TimeText(int64_t microseconds);
// "%d Byte" up to 1024 bytes, then "%.2f KB", "%.2f MB", "%.2f GB" above each power of 1024.
std::string SizeText(int64_t bytes);

// Days since 1899-12-30 in local time, the day count date-time values use.
double DateOfUnixTime(int64_t seconds);
// "yyyy-mm-dd hh:nn:ss" of a Unix time in the local standard time (daylight saving ignored).
std::string StandardTimeText(int64_t seconds);

// "Video", "Audio", "Data", "Subtitle", "Attachment", anything else "Unknown".
std::string MediaTypeName(int type);
// The library's lower-case name of a stream type ("video", "audio", ...); "unknown" for others.
const char* LowerMediaTypeName(int type);

// A codec's display name: "name(long name)" when the codec is known, else "mpeg2ts" for the
// transport-stream pseudo codec, the codec id's name when the id is known, or the codec tag.
std::string CodecDescription(const AVCodec* codec, AVCodecID id, uint32_t codecTag);

// The value under key, or the default when there is none.
std::string MetadataValue(const AVDictionary* metadata, const std::string& key,
                          const std::string& defaultValue = "");

// Takes the codec lock. In the main thread it keeps serving hand-overs while it waits: a worker
// holding the lock may itself be waiting for the main thread (a log line, an event).
std::unique_lock<std::recursive_mutex> LockCodecs();

// printf into a std::string.
std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VStrFormat(const char* format, va_list args);

} // namespace orvel
