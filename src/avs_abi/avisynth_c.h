// Our declarations of the library's plain C interface (x86-64). Its ABI does
// not depend on the compiler that built the library, so a GCC-built host can
// use an MSVC-built AviSynth+ through it. x64 has one calling convention, so
// none is named.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct AVS_ScriptEnvironment AVS_ScriptEnvironment;
typedef struct AVS_Clip AVS_Clip;
typedef struct AVS_VideoFrame AVS_VideoFrame;

// The same 16 bytes as the C++ AVSValue. type is one of 'a' (array), 'c'
// (clip), 'b', 'i', 'f', 'd', 's', 'v' (void), 'l' (int64) and 'e' (error,
// whose string is the message); array_size counts the elements of 'a'.
typedef struct AVS_Value AVS_Value;
struct AVS_Value {
  short type;
  short array_size;
  union {
    void* clip;
    char boolean;
    int integer;
    float floating_pt;
    const char* string;
    const AVS_Value* array;
    int64_t longlong;
    double double_pt;
  } d;
};

// The same 48 bytes as the C++ VideoInfo.
typedef struct AVS_VideoInfo {
  int width;
  int height;
  unsigned fps_numerator;
  unsigned fps_denominator;
  int num_frames;
  int pixel_type;
  int audio_samples_per_second;
  int sample_type;
  int64_t num_audio_samples;
  int nchannels;
  int image_type;
} AVS_VideoInfo;

// Null when the library refuses the version.
AVS_ScriptEnvironment* avs_create_script_environment(int version);
// 0 when the interface version is supported; otherwise non-zero and the
// environment's error says why.
int avs_check_version(AVS_ScriptEnvironment* env, int version);
// The environment's last error, null when none. It stays until the next call
// that succeeds.
const char* avs_get_error(AVS_ScriptEnvironment* env);
int avs_function_exists(AVS_ScriptEnvironment* env, const char* name);
// A failure comes back as an 'e' value carrying the message. The result is
// the caller's, to release with avs_release_value.
AVS_Value avs_invoke(AVS_ScriptEnvironment* env, const char* name, AVS_Value args, const char** arg_names);
// A new reference to the clip of a 'c' value.
AVS_Clip* avs_take_clip(AVS_Value value, AVS_ScriptEnvironment* env);
const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip);
int avs_get_version(AVS_Clip* clip);
// Null on failure; avs_clip_get_error then gives the message.
AVS_VideoFrame* avs_get_frame(AVS_Clip* clip, int n);
const char* avs_clip_get_error(AVS_Clip* clip);
void avs_release_video_frame(AVS_VideoFrame* frame);
void avs_release_clip(AVS_Clip* clip);
void avs_release_value(AVS_Value value);
void avs_delete_script_environment(AVS_ScriptEnvironment* env);
// A copy of s (length -1: up to its NUL) that lives as long as env.
const char* avs_save_string(AVS_ScriptEnvironment* env, const char* s, int length);
// name and any string in val must live as long as env (avs_save_string).
int avs_set_global_var(AVS_ScriptEnvironment* env, const char* name, AVS_Value val);

// What a host needs to add a function of its own to the script language, one
// that returns a filter over its clip argument.

// A filter made from C: the library calls these for the clip it hands out;
// a null callback passes the call on to the child.
typedef struct AVS_FilterInfo AVS_FilterInfo;
struct AVS_FilterInfo {
  AVS_Clip* child;  // null unless the filter was made with store_child
  AVS_VideoInfo vi;
  AVS_ScriptEnvironment* env;
  // A new frame reference, handed to the library; null with error set to fail.
  AVS_VideoFrame* (*get_frame)(AVS_FilterInfo* fi, int n);
  int (*get_parity)(AVS_FilterInfo* fi, int n);
  int (*get_audio)(AVS_FilterInfo* fi, void* buf, int64_t start, int64_t count);
  int (*set_cache_hints)(AVS_FilterInfo* fi, int cachehints, int frame_range);
  void (*free_filter)(AVS_FilterInfo* fi);
  const char* error;
  void* user_data;
};

// args is lent for the call; the result is handed to the library, which
// turns an 'e' value into a script error carrying its message.
typedef AVS_Value (*AVS_ApplyFunc)(AVS_ScriptEnvironment* env, AVS_Value args, void* user_data);

// params in the usual letters ("c[name]s"). 0 on success.
int avs_add_function(AVS_ScriptEnvironment* env, const char* name, const char* params,
                     AVS_ApplyFunc apply, void* user_data);
// A new filter over child; *fi is its information, to fill in. The returned
// clip is the caller's, to release with avs_release_clip.
AVS_Clip* avs_new_c_filter(AVS_ScriptEnvironment* env, AVS_FilterInfo** fi, AVS_Value child,
                           int store_child);
// value becomes a clip value holding its own reference to clip.
void avs_set_to_clip(AVS_Value* value, AVS_Clip* clip);

// A filter's answer to the library's question about its multithreading mode.
enum { AVS_CACHE_GET_MTMODE = 509 };
enum { AVS_MT_NICE_FILTER = 1, AVS_MT_MULTI_INSTANCE = 2, AVS_MT_SERIALIZED = 3 };

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(AVS_Value) == 16 && alignof(AVS_Value) == 8);
static_assert(sizeof(AVS_VideoInfo) == 48 && alignof(AVS_VideoInfo) == 8);
static_assert(sizeof(AVS_FilterInfo) == 120);
#endif
