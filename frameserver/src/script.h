// The script language: one statement per line, `name = expr` or an
// expression, calls with positional then named arguments, method calls.
#pragma once

#include <string>
#include <vector>

#include "functions.h"

class ScriptEnvironment;

enum class CallStatus { kOk, kNoFunction, kBadArguments };

// Finds a function that accepts `args` and runs it. With `implicit_last`, a
// function whose first parameter is a clip may take the variable `last`.
CallStatus CallFunction(ScriptEnvironment& env, const std::string& name,
                        const std::vector<CallArg>& args, bool implicit_last, AVSValue* result);

// Runs script text. `path` (null for text without a file) appears in error
// messages as given.
AVSValue RunScript(ScriptEnvironment& env, const std::string& text, const char* path);
