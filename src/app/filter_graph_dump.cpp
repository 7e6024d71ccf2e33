#include "app/filter_graph_dump.h"

#include "avs_host/avs_binding.h"
#include "fault/structured_exception.h"
#include "records/record_files.h"

namespace app {

std::string FilterGraphPath(const std::string& script_path) {
  return records::PathBesideScript(script_path, ".graph.dot");
}

bool EnableGraphAnalysisIfOffered(avs_host::AvsBinding& binding) {
  try {
    bool offered = false;
    fault::CallTranslated([&] { offered = binding.FunctionExists("SetGraphAnalysis"); });
    if (!offered) return false;
    fault::CallTranslated([&] { binding.EnableGraphAnalysis(); });
    return true;
  } catch (...) {
    // A library that names the function but refuses it runs as one without.
    return false;
  }
}

bool DumpFilterGraphBesideScript(avs_host::AvsBinding& binding, const std::string& script_path) {
  try {
    fault::CallTranslated([&] { binding.DumpFilterGraph(FilterGraphPath(script_path)); });
    return true;
  } catch (...) {
    // Not a run error: the run's figures stand without the graph.
    return false;
  }
}

}  // namespace app
