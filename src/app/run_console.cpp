#include "app/run_console.h"

#include "app/settings.h"
#include "console/console_utils.h"

int RunStream() { return g_settings.ConUseSTDOUT; }

void BlankLine(const char* form) {
  ConsolePrint(RunStream(), kColorNone, form, g_utils.PadLine("").c_str());
}

int ExitWithError(const std::string& text) {
  ConsolePrintText(RunStream(), kColorError, text);
  WaitAnyKey();
  return -1;
}
