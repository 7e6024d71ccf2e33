// Named functions with AviSynth-style parameter lists ("c[threads]i"), and
// the binding of positional and named arguments to them.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "avs_abi/avisynth_interface.h"

struct Param {
  std::string name;  // lower case; empty for an unnamed parameter
  char type;         // c clip, i int, f float, s string, b bool, . anything
  bool optional;
};

struct FunctionDef {
  std::string name;  // as registered
  std::vector<Param> params;
  IScriptEnvironment::ApplyFunc fn;
  void* user_data;
};

struct CallArg {
  std::string name;  // empty: positional
  AVSValue value;
};

class FunctionTable {
 public:
  // False when the parameter list cannot be parsed.
  bool Add(const char* name, const char* params, IScriptEnvironment::ApplyFunc fn,
           void* user_data);
  // Later registrations of a name come first, as a plugin may override.
  std::vector<const FunctionDef*> Find(const std::string& name) const;
  bool Exists(const std::string& name) const { return !Find(name).empty(); }

 private:
  std::deque<FunctionDef> defs_;  // stable addresses while a call runs
};

std::string ToLower(std::string text);
bool ParseParams(const char* params, std::vector<Param>* out);
// The argument array for `def` (one value per parameter, undefined where
// absent), or false when the arguments do not fit.
bool BindArgs(const FunctionDef& def, const std::vector<CallArg>& args, AVSValue* bound);
