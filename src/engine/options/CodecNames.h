#pragma once
// Choosing a codec by name, with the names older option sets used mapped to today's codecs.
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace orvel {

// Today's name for a codec name the libraries no longer know ("libfaac" -> "aac"); the name
// itself when it needs no mapping.
std::string CodecNameAlias(const std::string& name, bool encoder);

// The codec named `name` of `type`: null for an empty name. Raises FFmpegException
// "Unknown encoder 'x'", "Invalid encoder type 'x'" or the experimental-codec message when
// `strict` is above the experimental level. An experimental encoder is replaced by a
// non-experimental one for the same codec when there is one ("vorbis" -> "libvorbis").
const AVCodec* ChooseCodecByName(const std::string& name, AVMediaType type, bool encoder,
                                 int strict = FF_COMPLIANCE_NORMAL);

// The same look-up without raising: null when the name does not give a usable codec.
const AVCodec* FindCodecByName(const std::string& name, AVMediaType type, bool encoder,
                               int strict = FF_COMPLIANCE_NORMAL);

} // namespace orvel
