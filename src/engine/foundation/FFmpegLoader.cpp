#include "engine/foundation/FFmpegLoader.h"

#include "engine/foundation/FFUtils.h"
#include "engine/foundation/FFmpegLogger.h"

extern "C" {
#include <libavcodec/version.h>
#include <libavfilter/version.h>
#include <libavformat/version.h>
#include <libavutil/version.h>
#include <libswresample/version.h>
#include <libswscale/version.h>
}

#include <dlfcn.h>
#include <filesystem>

namespace orvel {
namespace {

// libavdevice is not installed with the other development files; 59 is its major in the
// library generation the others belong to.
constexpr int kAVDeviceMajor = 59;

std::string DlError() {
    const char* e = dlerror();
    return e ? e : "unknown error";
}

} // namespace

// Every entry point the engine, the player, the probe and the fixtures call, per library. A test
// scans the sources and fails when a call is missing here.
const std::array<TLibraryItem, kLibraryKindCount>& LibraryItems() {
    static const std::array<TLibraryItem, kLibraryKindCount> items = {{
        {lkAVCodec,
         "avcodec",
         LIBAVCODEC_VERSION_MAJOR,
         {"avcodec_find_decoder",
          "avcodec_find_decoder_by_name",
          "avcodec_find_encoder",
          "avcodec_find_encoder_by_name",
          "av_codec_iterate",
          "av_codec_is_encoder",
          "av_codec_is_decoder",
          "avcodec_descriptor_get",
          "avcodec_alloc_context3",
          "avcodec_free_context",
          "avcodec_open2",
          "avcodec_parameters_alloc",
          "avcodec_parameters_free",
          "avcodec_parameters_copy",
          "avcodec_parameters_from_context",
          "avcodec_parameters_to_context",
          "avcodec_send_packet",
          "avcodec_receive_frame",
          "avcodec_send_frame",
          "avcodec_receive_packet",
          "avcodec_flush_buffers",
          "avcodec_decode_subtitle2",
          "avcodec_encode_subtitle",
          "avsubtitle_free",
          "avcodec_string",
          "avcodec_get_class",
          "av_get_bits_per_sample",
          "av_get_exact_bits_per_sample",
          "av_get_audio_frame_duration",
          "av_dv_codec_profile2",
          "av_packet_alloc",
          "av_packet_free",
          "av_packet_unref",
          "av_packet_ref",
          "av_packet_clone",
          "av_packet_rescale_ts",
          "av_packet_make_refcounted",
          "av_new_packet",
          "av_packet_get_side_data",
          "av_packet_new_side_data",
          "av_packet_move_ref",
          "av_bsf_get_by_name",
          "av_bsf_alloc",
          "av_bsf_init",
          "av_bsf_send_packet",
          "av_bsf_receive_packet",
          "av_bsf_free",
          "av_parser_init",
          "av_parser_close"},
         {}},
        {lkAVDevice, "avdevice", kAVDeviceMajor, {"avdevice_register_all"}, {}},
        {lkAVFilter,
         "avfilter",
         LIBAVFILTER_VERSION_MAJOR,
         {"avfilter_graph_alloc", "avfilter_graph_free", "avfilter_graph_create_filter",
          "avfilter_graph_parse_ptr", "avfilter_graph_config", "avfilter_get_by_name", "avfilter_inout_alloc",
          "avfilter_inout_free", "avfilter_link", "av_buffersrc_add_frame_flags", "av_buffersrc_write_frame",
          "av_buffersink_get_frame", "av_buffersink_get_frame_flags", "av_buffersink_get_w",
          "av_buffersink_get_h", "av_buffersink_get_format", "av_buffersink_get_time_base",
          "av_buffersink_get_sample_aspect_ratio"},
         {}},
        {lkAVFormat,
         "avformat",
         LIBAVFORMAT_VERSION_MAJOR,
         {"avformat_alloc_context",
          "avformat_free_context",
          "avformat_open_input",
          "avformat_close_input",
          "avformat_find_stream_info",
          "av_find_best_stream",
          "av_guess_frame_rate",
          "av_stream_get_side_data",
          "av_stream_new_side_data",
          "av_read_frame",
          "av_read_play",
          "av_read_pause",
          "av_seek_frame",
          "avformat_seek_file",
          "av_find_input_format",
          "av_guess_format",
          "av_guess_codec",
          "av_codec_get_id",
          "av_codec_get_tag",
          "avformat_alloc_output_context2",
          "avformat_new_stream",
          "avformat_write_header",
          "av_interleaved_write_frame",
          "av_write_frame",
          "av_write_trailer",
          "av_dump_format",
          "av_sdp_create",
          "av_pkt_dump_log2",
          "av_filename_number_test",
          "avformat_query_codec",
          "avio_open",
          "avio_open2",
          "avio_closep",
          "avio_close",
          "avio_alloc_context",
          "avio_context_free",
          "avio_size",
          "avio_find_protocol_name",
          "avio_flush",
          "avio_write",
          "avformat_get_class",
          "av_demuxer_iterate",
          "av_muxer_iterate"},
         {}},
        {lkAVUtil,
         "avutil",
         LIBAVUTIL_VERSION_MAJOR,
         {"av_malloc",
          "av_mallocz",
          "av_malloc_array",
          "av_realloc",
          "av_free",
          "av_freep",
          "av_strdup",
          "av_strerror",
          "av_log",
          "av_log_set_callback",
          "av_log_set_level",
          "av_log_get_level",
          "av_default_item_name",
          "av_dict_get",
          "av_dict_set",
          "av_dict_set_int",
          "av_dict_copy",
          "av_dict_free",
          "av_dict_count",
          "av_mul_q",
          "av_rescale_q",
          "av_rescale_q_rnd",
          "av_rescale",
          "av_rescale_rnd",
          "av_reduce",
          "av_gcd",
          "av_compare_ts",
          "av_find_nearest_q_idx",
          "av_d2q",
          "av_frame_alloc",
          "av_frame_remove_side_data",
          "av_display_rotation_get",
          "av_display_rotation_set",
          "av_frame_free",
          "av_frame_unref",
          "av_frame_ref",
          "av_frame_get_buffer",
          "av_frame_make_writable",
          "av_frame_is_writable",
          "av_frame_copy_props",
          "av_frame_move_ref",
          "av_image_fill_linesizes",
          "av_image_fill_arrays",
          "av_image_get_buffer_size",
          "av_image_copy",
          "av_get_pix_fmt",
          "av_get_pix_fmt_name",
          "av_pix_fmt_desc_get",
          "av_pix_fmt_desc_next",
          "av_get_bits_per_pixel",
          "av_get_sample_fmt",
          "av_get_sample_fmt_name",
          "av_get_sample_fmt_string",
          "av_get_packed_sample_fmt",
          "av_get_bytes_per_sample",
          "av_sample_fmt_is_planar",
          "av_samples_get_buffer_size",
          "av_samples_copy",
          "av_get_media_type_string",
          "av_channel_layout_default",
          "av_channel_layout_from_mask",
          "av_channel_layout_copy",
          "av_channel_layout_uninit",
          "av_channel_layout_compare",
          "av_channel_layout_check",
          "av_channel_layout_describe",
          "av_audio_fifo_alloc",
          "av_audio_fifo_free",
          "av_audio_fifo_write",
          "av_audio_fifo_read",
          "av_audio_fifo_size",
          "av_opt_find",
          "av_opt_set",
          "av_opt_set_int",
          "av_opt_set_double",
          "av_opt_set_q",
          "av_opt_set_bin",
          "av_opt_get",
          "av_opt_get_int",
          "av_opt_get_double",
          "av_opt_get_q",
          "av_set_options_string",
          "av_parse_time",
          "av_parse_video_rate",
          "av_parse_video_size",
          "av_gettime",
          "av_gettime_relative",
          "av_usleep",
          "av_fifo_realloc2",
          "av_samples_alloc_array_and_samples",
          "av_samples_set_silence",
          "av_get_picture_type_char"},
         {}},
        {lkSwScale,
         "swscale",
         LIBSWSCALE_VERSION_MAJOR,
         {"sws_getContext", "sws_getCachedContext", "sws_scale", "sws_freeContext", "sws_alloc_context",
          "sws_init_context", "sws_isSupportedInput", "sws_isSupportedOutput"},
         {}},
        {lkMSVCRT,
         "c",
         6,
         {"fopen", "fclose", "fread", "fwrite", "fseek", "ftell", "fprintf", "vsnprintf", "snprintf",
          "strtod", "strtol", "strtok"},
         {}},
        {lkSDL,
         "SDL2-2.0",
         0,
         {"SDL_Init",
          "SDL_InitSubSystem",
          "SDL_QuitSubSystem",
          "SDL_Quit",
          "SDL_GetError",
          "SDL_OpenAudioDevice",
          "SDL_CloseAudioDevice",
          "SDL_PauseAudioDevice",
          "SDL_MixAudioFormat",
          "SDL_LockAudioDevice",
          "SDL_UnlockAudioDevice",
          "SDL_OpenAudio",
          "SDL_CloseAudio",
          "SDL_PauseAudio",
          "SDL_LockAudio",
          "SDL_UnlockAudio",
          "SDL_CreateThread",
          "SDL_WaitThread",
          "SDL_Delay",
          "SDL_GetTicks",
          "SDL_CreateMutex",
          "SDL_DestroyMutex",
          "SDL_LockMutex",
          "SDL_UnlockMutex",
          "SDL_CreateCond",
          "SDL_DestroyCond",
          "SDL_CondSignal",
          "SDL_CondBroadcast",
          "SDL_CondWait",
          "SDL_CondWaitTimeout",
          "SDL_SetHint",
          "SDL_ResetHint",
          "SDL_GetCurrentAudioDriver"},
         {}},
        {lkSwResample,
         "swresample",
         LIBSWRESAMPLE_VERSION_MAJOR,
         {"swr_alloc", "swr_alloc_set_opts2", "swr_init", "swr_convert", "swr_free", "swr_get_out_samples",
          "swr_get_delay", "swr_set_compensation"},
         {}},
    }};
    return items;
}

TFFmpegLoader::TFFmpegLoader() {
    for (int k = 0; k < kLibraryKindCount; ++k)
        status_[k].Kind = static_cast<TLibraryKind>(k);
}

TFFmpegLoader::~TFFmpegLoader() {
    Unload(static_cast<TLibrarySet>((1u << kLibraryKindCount) - 1));
}

void TFFmpegLoader::SetLibraryFolder(const std::string& folder) {
    std::lock_guard lock(mutex_);
    folder_ = folder;
}

std::string TFFmpegLoader::LibraryFolder() const {
    std::lock_guard lock(mutex_);
    return folder_;
}

std::string TFFmpegLoader::LastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

std::string TFFmpegLoader::LibraryFileName(TLibraryKind kind) const {
    std::lock_guard lock(mutex_);
    if (!status_[kind].FileName.empty()) return status_[kind].FileName;
    const TLibraryItem& item = LibraryItems()[kind];
    std::string name = std::string("lib") + item.BaseName + ".so";
    if (item.Version >= 0) {
        // Appended piece by piece: GCC 12 takes '"." + std::string' for an overlapping copy at -O3.
        name += '.';
        name += std::to_string(item.Version);
    }
    return name;
}

void TFFmpegLoader::SetFileNameOverride(TLibraryKind kind, const std::string& fileName) {
    std::lock_guard lock(mutex_);
    status_[kind].FileName = fileName;
}

bool TFFmpegLoader::Load(TLibrarySet set) {
    std::lock_guard lock(mutex_);
    if ((set & ((1u << kLibraryKindCount) - 1)) == 0) {
        lastError_ = "No library to load.";
        return false;
    }
    for (int k = 0; k < kLibraryKindCount; ++k) {
        if (!(set & (1u << k))) continue;
        if (!LoadOne(static_cast<TLibraryKind>(k))) {
            Unload(set);
            return false;
        }
    }
    return true;
}

bool TFFmpegLoader::LoadOne(TLibraryKind kind) {
    TLibraryStatus& st = status_[kind];
    if (!st.Handle) {
        const std::filesystem::path fileName = LibraryFileName(kind);
        std::string dir = fileName.parent_path().string();
        if (dir.empty() && !folder_.empty()) dir = folder_;
        const std::string bare = fileName.filename().string();
        std::string attempted = bare;
        std::error_code ec;
        if (!dir.empty() && std::filesystem::exists(std::filesystem::path(dir) / bare, ec)) {
            // Dependencies of a library taken from the folder resolve through the libraries
            // already in the process (same sonames) or the library's own run path.
            attempted = (std::filesystem::path(dir) / bare).string();
        }
        dlerror();
        st.Handle = dlopen(attempted.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!st.Handle) {
            lastError_ = StrFormat("Load library %s error: %s", attempted.c_str(), DlError().c_str());
            return false;
        }
    }
    if (!st.Bound) {
        st.Bound = Bind(kind);
        if (!st.Bound) {
            UnloadOne(kind);
            return false;
        }
        if (kind == lkAVUtil && installLogCallback_) FFLogger().InstallLibraryCallback();
    }
    return true;
}

bool TFFmpegLoader::Bind(TLibraryKind kind) {
    const TLibraryItem& item = LibraryItems()[kind];
    void* handle = status_[kind].Handle;
    const std::string file = LibraryFileName(kind);
    for (const char* name : item.Functions) {
        dlerror();
        if (!dlsym(handle, name)) {
            lastError_ = StrFormat("Load function %s@%s error: %s", name, file.c_str(), DlError().c_str());
            return false;
        }
    }
    for (const char* name : item.Variables) {
        dlerror();
        if (!dlsym(handle, name)) {
            lastError_ = StrFormat("Load variable %s@%s error: %s", name, file.c_str(), DlError().c_str());
            return false;
        }
    }
    return true;
}

bool TFFmpegLoader::Loaded(TLibraryKind kind) const {
    std::lock_guard lock(mutex_);
    return status_[kind].Handle && status_[kind].Bound;
}

bool TFFmpegLoader::AllLoaded(TLibrarySet set) const {
    std::lock_guard lock(mutex_);
    if ((set & ((1u << kLibraryKindCount) - 1)) == 0) return false;
    for (int k = 0; k < kLibraryKindCount; ++k)
        if ((set & (1u << k)) && !Loaded(static_cast<TLibraryKind>(k))) return false;
    return true;
}

void TFFmpegLoader::UnloadOne(TLibraryKind kind) {
    TLibraryStatus& st = status_[kind];
    st.Bound = false;
    if (st.Handle) {
        dlclose(st.Handle);
        st.Handle = nullptr;
    }
}

void TFFmpegLoader::Unload(TLibraryKind kind) {
    std::lock_guard lock(mutex_);
    UnloadOne(kind);
}

void TFFmpegLoader::Unload(TLibrarySet set) {
    std::lock_guard lock(mutex_);
    for (int k = 0; k < kLibraryKindCount; ++k)
        if (set & (1u << k)) UnloadOne(static_cast<TLibraryKind>(k));
}

bool TFFmpegLoader::InstallLogCallback() const {
    std::lock_guard lock(mutex_);
    return installLogCallback_;
}

void TFFmpegLoader::SetInstallLogCallback(bool value) {
    std::lock_guard lock(mutex_);
    installLogCallback_ = value;
}

TFFmpegLoader& FFLoader() {
    static TFFmpegLoader loader;
    return loader;
}

} // namespace orvel
