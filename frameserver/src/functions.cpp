#include "functions.h"

#include <cctype>

std::string ToLower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ParseParams(const char* params, std::vector<Param>* out) {
  out->clear();
  if (params == nullptr) return true;
  const std::string text = params;
  size_t i = 0;
  while (i < text.size()) {
    Param param{"", 0, false};
    if (text[i] == '[') {
      const size_t close = text.find(']', i);
      if (close == std::string::npos) return false;
      param.name = ToLower(text.substr(i + 1, close - i - 1));
      param.optional = true;
      i = close + 1;
      if (i >= text.size()) return false;
    }
    const char type = text[i++];
    if (std::string("cifsb.").find(type) == std::string::npos) return false;
    param.type = type;
    out->push_back(param);
  }
  return true;
}

bool FunctionTable::Add(const char* name, const char* params, IScriptEnvironment::ApplyFunc fn,
                        void* user_data) {
  if (name == nullptr || fn == nullptr) return false;
  FunctionDef def{name, {}, fn, user_data};
  if (!ParseParams(params, &def.params)) return false;
  defs_.push_back(def);
  return true;
}

std::vector<const FunctionDef*> FunctionTable::Find(const std::string& name) const {
  const std::string key = ToLower(name);
  std::vector<const FunctionDef*> found;
  for (auto it = defs_.rbegin(); it != defs_.rend(); ++it) {
    if (ToLower(it->name) == key) found.push_back(&*it);
  }
  return found;
}

namespace {

bool TypeFits(char type, const AVSValue& value) {
  switch (type) {
    case 'c': return value.IsClip();
    case 'i': return value.IsInt();
    case 'f': return value.IsFloat();
    case 's': return value.IsString();
    case 'b': return value.IsBool();
    default: return value.Defined();
  }
}

}  // namespace

bool BindArgs(const FunctionDef& def, const std::vector<CallArg>& args, AVSValue* bound) {
  const size_t count = def.params.size();
  std::vector<AVSValue> slots(count);
  std::vector<bool> filled(count, false);
  size_t next = 0;
  bool named_seen = false;
  for (const CallArg& arg : args) {
    if (arg.name.empty()) {
      if (named_seen || next >= count) return false;
      if (!TypeFits(def.params[next].type, arg.value)) return false;
      slots[next] = arg.value;
      filled[next++] = true;
      continue;
    }
    named_seen = true;
    const std::string key = ToLower(arg.name);
    size_t index = count;
    for (size_t i = 0; i < count; ++i) {
      if (def.params[i].optional && def.params[i].name == key) index = i;
    }
    if (index == count || filled[index]) return false;
    if (!TypeFits(def.params[index].type, arg.value)) return false;
    slots[index] = arg.value;
    filled[index] = true;
  }
  for (size_t i = 0; i < count; ++i) {
    if (!filled[i] && !def.params[i].optional) return false;
  }
  *bound = count ? AVSValue(slots.data(), static_cast<int>(count)) : AVSValue(nullptr, 0);
  return true;
}
