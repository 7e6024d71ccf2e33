#include "harness/expected_texts.h"

namespace e2e {

std::string ProgramVersion5() { return KORBINET_PROGRAM_VERSION; }

std::string DefaultSettingsFile() {
  return "[Main]\n"
         "Version=" + ProgramVersion5() + "\n"
         "AVSDLL=\n"
         "DisplayFPS=1\n"
         "DisplayTPF=0\n"
         "DisplayEfficiencyIndex=0\n"
         "CreateLog=0\n"
         "CreateCSV=0\n"
         "PauseBeforeExit=0\n"
         "FrameRange=0,-1\n"
         "InvokeDistributor=1\n"
         "AllowOnlyOneInstance=1\n"
         "UseColor=1\n"
         "MonitorGPULoad=0\n"
         "ProcessPriority=2\n"
         "ConUseSTDOUT=0\n"
         "TimeLimit=-1\n"
         "\n"
         "[Miscellaneous]\n"
         "LogEstimatedTime=0\n"
         "AutoCompleteExtension=0\n";
}

std::string Banner() { return "\nKorbinet " + ProgramVersion5() + " (x64)\n"; }

std::string UsageText() {
  return "\nUsage:  Korbinet script.avs [switches]\n\n"
         "Switches:\n"
         "  -avsinfo            Display Avisynth info\n"
         "  -info [-i]          Display clip info\n"
         "  -log  [-l]          Create log file\n"
         "  -csv                Create csv file\n"
         "  -gpu                Monitor GPU/VPU usage\n"
         "  -range=first,last   Set frame range\n"
         "  -timelimit=n        Set time limit (seconds)\n"
         "  -priority=n         Set process priority (1:low, 2:normal, 3:high)\n\n"
         "  For more info on the command line switches and INI file\n"
         "  options, read the documentation (Korbinet.html) included\n"
         "  in the distribution package.\n"
         "\n";
}

}  // namespace e2e
