#include "engine/options/CodecNames.h"

#include "engine/foundation/FFmpegException.h"

#include <cstdio>
#include <map>

namespace orvel {

namespace {

struct TAlias {
    const char* Encoder; // null: no encoder does the job today
    const char* Decoder;
};

// Names from the older library generation and what does the same job today.
const std::map<std::string, TAlias>& Aliases() {
    static const std::map<std::string, TAlias> table = {
        {"libfaac", {"aac", "aac"}},
        {"libfaad", {"aac", "aac"}},
        {"libamr_nb", {"libopencore_amrnb", "libopencore_amrnb"}},
        {"libamr_wb", {"libvo_amrwbenc", "libopencore_amrwb"}},
        {"libflac", {"flac", "flac"}},
        {"mp3", {"libmp3lame", "mp3"}},
        {"h264", {"libx264", "h264"}},
        {"libdirac", {nullptr, "dirac"}},
        {"libschroedinger", {nullptr, "dirac"}},
    };
    return table;
}

const AVCodec* Lookup(const std::string& name, bool encoder) {
    return encoder ? avcodec_find_encoder_by_name(name.c_str()) : avcodec_find_decoder_by_name(name.c_str());
}

bool IsExperimental(const AVCodec* codec) {
    return (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) != 0;
}

// A non-experimental encoder for the same codec, if the libraries have one.
const AVCodec* StableEncoderFor(AVCodecID id) {
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it)) {
        if (c->id == id && av_codec_is_encoder(c) && !IsExperimental(c)) return c;
    }
    return nullptr;
}

std::string Format(const char* fmt, const char* a, const char* b) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

} // namespace

std::string CodecNameAlias(const std::string& name, bool encoder) {
    if (name.empty() || Lookup(name, encoder)) return name;
    auto it = Aliases().find(name);
    if (it == Aliases().end()) return name;
    const char* mapped = encoder ? it->second.Encoder : it->second.Decoder;
    return mapped ? mapped : name;
}

const AVCodec* ChooseCodecByName(const std::string& name, AVMediaType type, bool encoder, int strict) {
    if (name.empty()) return nullptr;
    const char* kind = encoder ? "encoder" : "decoder";
    const AVCodec* codec = Lookup(CodecNameAlias(name, encoder), encoder);
    if (!codec) throw FFmpegException(Format("Unknown %s '%s'", kind, name.c_str()));
    if (codec->type != type) throw FFmpegException(Format("Invalid %s type '%s'", kind, name.c_str()));
    if (IsExperimental(codec) && strict > FF_COMPLIANCE_EXPERIMENTAL) {
        if (encoder) {
            if (const AVCodec* stable = StableEncoderFor(codec->id)) return stable;
        }
        std::string message = Format("%s '%s' is experimental and might produce bad results.\r\n"
                                     "Add '-strict experimental' if you want to use it.",
                                     kind, codec->name);
        const AVCodec* def = encoder ? avcodec_find_encoder(codec->id) : avcodec_find_decoder(codec->id);
        if (def && !IsExperimental(def))
            message += Format("\r\nOr use the non experimental %s '%s'.", kind, def->name);
        throw FFmpegException(message);
    }
    return codec;
}

const AVCodec* FindCodecByName(const std::string& name, AVMediaType type, bool encoder, int strict) {
    try {
        return ChooseCodecByName(name, type, encoder, strict);
    } catch (const FFmpegException&) {
        return nullptr;
    }
}

} // namespace orvel
