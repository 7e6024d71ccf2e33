// Memory per filter: with a library that offers graph analysis, a run with a
// log turns it on before the import and writes the filter graph beside the
// script after the run. Neither step can fail the run or change its texts:
// the graph is an extra, and the library's own errors about it are dropped.
#pragma once

#include <string>

namespace avs_host {
class AvsBinding;
}  // namespace avs_host

namespace app {

// The graph file of a script: "clip.avs" gives "clip.graph.dot".
std::string FilterGraphPath(const std::string& script_path);

// Turns graph analysis on when the library has it (AviSynth+ 3.6 and later);
// before the import. True when it is on, so the graph can be dumped later.
bool EnableGraphAnalysisIfOffered(avs_host::AvsBinding& binding);

// Writes the graph of the script's clip to FilterGraphPath(script_path).
// Only on the main thread, after the frame loop and before the script's
// values are released. False when the library could not write it.
bool DumpFilterGraphBesideScript(avs_host::AvsBinding& binding, const std::string& script_path);

}  // namespace app
