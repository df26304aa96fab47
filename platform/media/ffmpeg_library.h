#pragma once
// Private to the platform: FFmpeg's libraries, loaded the first time a
// movie is opened or made instead of when the program starts. They bring
// some hundred libraries of codecs and formats with them, whose loading
// would cost every start 50 ms, also for a folder run that reads no movie.
// Every FFmpeg function the platform calls is reached through Ffmpeg().
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

// Each FFmpeg function the platform calls, with the library that has it.
#define VINDRALO_FFMPEG_FUNCTIONS(F)                                                                         \
  F(avutil, av_d2q) F(avutil, av_dict_free) F(avutil, av_dict_set) F(avutil, av_display_rotation_get)        \
  F(avutil, av_frame_alloc) F(avutil, av_frame_free) F(avutil, av_frame_get_buffer)                          \
  F(avutil, av_frame_make_writable) F(avutil, av_log_set_level) F(avutil, av_opt_set) F(avutil, av_opt_set_int) \
  F(avutil, av_pix_fmt_count_planes) F(avutil, av_pix_fmt_desc_get) F(avutil, av_strerror)                   \
  F(avcodec, av_packet_alloc) F(avcodec, av_packet_free) F(avcodec, av_packet_rescale_ts)                    \
  F(avcodec, av_packet_unref) F(avformat, av_stream_get_side_data) F(avcodec, avcodec_alloc_context3)        \
  F(avcodec, avcodec_find_encoder_by_name) F(avcodec, avcodec_flush_buffers) F(avcodec, avcodec_free_context) \
  F(avcodec, avcodec_open2) F(avcodec, avcodec_parameters_from_context)                                       \
  F(avcodec, avcodec_parameters_to_context) F(avcodec, avcodec_receive_frame)                                \
  F(avcodec, avcodec_receive_packet) F(avcodec, avcodec_send_frame) F(avcodec, avcodec_send_packet)         \
  F(avformat, av_find_best_stream) F(avformat, av_interleaved_write_frame) F(avformat, av_read_frame)        \
  F(avformat, av_seek_frame) F(avformat, av_write_trailer) F(avformat, avformat_alloc_output_context2)       \
  F(avformat, avformat_close_input) F(avformat, avformat_find_stream_info) F(avformat, avformat_free_context) \
  F(avformat, avformat_new_stream) F(avformat, avformat_open_input) F(avformat, avformat_write_header)      \
  F(avformat, avio_closep) F(avformat, avio_open) F(swscale, sws_alloc_context)                              \
  F(swscale, sws_freeContext) F(swscale, sws_getCoefficients) F(swscale, sws_init_context)                   \
  F(swscale, sws_scale) F(swscale, sws_setColorspaceDetails)

struct FfmpegLibrary {
#define VINDRALO_FFMPEG_MEMBER(library, name) decltype(&::name) name = nullptr;
  VINDRALO_FFMPEG_FUNCTIONS(VINDRALO_FFMPEG_MEMBER)
#undef VINDRALO_FFMPEG_MEMBER
};

// FFmpeg's functions, its libraries loaded at the first call. Raises
// IOException "FFmpeg cannot be loaded: <the loader's reason>" when they
// cannot be.
const FfmpegLibrary& Ffmpeg();
