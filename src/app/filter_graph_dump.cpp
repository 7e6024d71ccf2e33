#include "app/filter_graph_dump.h"

#include "avs_host/avs_binding.h"
#include "fault/structured_exception.h"
#include "records/record_files.h"

std::string FilterGraphPath(const std::string& script_path) {
  return PathBesideScript(script_path, ".graph.dot");
}

bool EnableGraphAnalysisIfOffered(AvsBinding& binding) {
  try {
    bool offered = false;
    CallTranslated([&] { offered = binding.FunctionExists("SetGraphAnalysis"); });
    if (!offered) return false;
    CallTranslated([&] { binding.EnableGraphAnalysis(); });
    return true;
  } catch (...) {
    // A library that names the function but refuses it runs as one without.
    return false;
  }
}

bool DumpFilterGraphBesideScript(AvsBinding& binding, const std::string& script_path) {
  try {
    CallTranslated([&] { binding.DumpFilterGraph(FilterGraphPath(script_path)); });
    return true;
  } catch (...) {
    // Not a run error: the run's figures stand without the graph.
    return false;
  }
}
