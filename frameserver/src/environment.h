// The script environment: strings, variables, functions, frames and the
// threads of the clips it made.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "avs_abi/avisynth_interface.h"
#include "frames.h"
#include "functions.h"

class ScriptEnvironment : public IScriptEnvironment {
 public:
  ScriptEnvironment();
  ~ScriptEnvironment() override;

  int GetCPUFlags() override;
  char* SaveString(const char* s, int length = -1) override;
  char* Sprintf(const char* fmt, ...) override KORBINET_PRINTF_FORMAT(2, 3);
  char* VSprintf(const char* fmt, va_list ap) override;
  [[noreturn]] void ThrowError(const char* fmt, ...) override
      KORBINET_PRINTF_FORMAT(2, 3);
  void AddFunction(const char* name, const char* params, ApplyFunc fn, void* user_data) override;
  bool FunctionExists(const char* name) override;
  AVSValue Invoke(const char* name, const AVSValue args, const char* const* arg_names) override;
  AVSValue GetVar(const char* name) override;
  bool SetVar(const char* name, const AVSValue& value) override;
  bool SetGlobalVar(const char* name, const AVSValue& value) override;
  void PushContext(int level) override;
  void PopContext() override;
  PVideoFrame NewVideoFrame(const VideoInfo& vi, int align) override;
  bool MakeWritable(PVideoFrame* pvf) override;
  void BitBlt(BYTE* dst, int dst_pitch, const BYTE* src, int src_pitch, int row_size,
              int height) override;
  void AtExit(ShutdownFunc fn, void* user_data) override;
  void CheckVersion(int version) override;
  PVideoFrame Subframe(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size,
                       int new_height) override;
  int SetMemoryMax(int megabytes) override;
  int SetWorkingDir(const char* dir) override;
  void* ManageCache(int key, void* data) override;
  bool PlanarChromaAlignment(PlanarChromaAlignmentMode key) override;
  PVideoFrame SubframePlanar(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size,
                             int new_height, int rel_offsetU, int rel_offsetV,
                             int new_pitchUV) override;
  void DeleteScriptEnvironment() override;
  void ApplyMessage(PVideoFrame* frame, const VideoInfo& vi, const char* message, int size,
                    int textcolor, int halocolor, int bgcolor) override;
  const AVS_Linkage* GetAVSLinkage() override;

  // For the script evaluator: a variable lookup that does not throw.
  bool LookupVar(const std::string& name, AVSValue* value);
  FunctionTable& Functions() { return functions_; }
  // Nesting of Import/Eval, to stop a script that imports itself.
  int& ImportDepth() { return import_depth_; }
  int& MtMode() { return mt_mode_; }
  int& DistributorCalls() { return distributor_calls_; }

 private:
  std::mutex strings_mutex_;
  std::deque<std::unique_ptr<char[]>> strings_;
  std::map<std::string, AVSValue> vars_;  // keys in lower case
  FunctionTable functions_;
  FramePool pool_;
  std::vector<std::pair<ShutdownFunc, void*>> at_exit_;
  int import_depth_ = 0;
  int mt_mode_ = 0;
  int distributor_calls_ = 0;
  int memory_max_ = 1024;
};

// True on threads the frame server started itself (Prefetch workers).
bool OnFrameServerThread();
void MarkFrameServerThread();

// The library's one table.
extern const AVS_Linkage g_frame_server_linkage;
const AVS_Linkage* FrameServerLinkage();
