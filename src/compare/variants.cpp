#include "compare/variants.h"

#include <algorithm>
#include <map>
#include <set>

namespace compare {
namespace {

// File names when they tell the paths apart, else the paths as given.
std::vector<std::string> ShortNames(const std::vector<std::string>& paths) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const std::string& path : paths) {
    names.push_back(FileName(path));
    seen.insert(names.back());
  }
  return seen.size() == std::set<std::string>(paths.begin(), paths.end()).size() ? names : paths;
}

}  // namespace

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ExpandVariants(const Sweeps& sweeps, const std::vector<std::string>& labels,
                    std::vector<Variant>* variants, std::string* error) {
  variants->clear();
  if (sweeps.scripts.empty()) {
    *error = "no script given";
    return false;
  }
  // Each dimension's size, in nesting order; an unswept one counts once.
  std::vector<size_t> sizes = {sweeps.scripts.size(),
                               std::max<size_t>(1, sweeps.libraries.size()),
                               std::max<size_t>(1, sweeps.max_cpu.size()),
                               std::max<size_t>(1, sweeps.memory_max_mb.size()),
                               std::max<size_t>(1, sweeps.prefetch.size())};
  for (const auto& var : sweeps.vars) sizes.push_back(var.second.size());
  uint64_t total = 1;
  for (size_t size : sizes) {
    total *= size;
    // Checked on the way, so that a huge product cannot wrap around.
    if (total > kMaxVariants) {
      *error = "more than " + std::to_string(kMaxVariants) + " variants";
      return false;
    }
  }
  if (!labels.empty() && labels.size() != total) {
    *error = std::to_string(labels.size()) + (labels.size() == 1 ? " label for " : " labels for ") +
             std::to_string(total) + (total == 1 ? " variant" : " variants");
    return false;
  }
  const std::vector<std::string> script_names = ShortNames(sweeps.scripts);
  const std::vector<std::string> library_names = ShortNames(sweeps.libraries);

  std::vector<size_t> index(sizes.size(), 0);
  for (uint64_t n = 0; n < total; ++n) {
    // Odometer: the last dimension turns fastest.
    size_t rest = n;
    for (size_t d = sizes.size(); d-- > 0;) {
      index[d] = rest % sizes[d];
      rest /= sizes[d];
    }
    Variant v;
    std::string label;
    auto add = [&label](const std::string& part) {
      label += (label.empty() ? "" : " ") + part;
    };
    v.script = sweeps.scripts[index[0]];
    if (sweeps.scripts.size() > 1) add(script_names[index[0]]);
    if (!sweeps.libraries.empty()) {
      v.library = sweeps.libraries[index[1]];
      if (sizes[1] > 1) add("library=" + library_names[index[1]]);
    }
    if (!sweeps.max_cpu.empty()) {
      const std::string& value = sweeps.max_cpu[index[2]];
      if (!value.empty()) v.max_cpu = value;
      if (sizes[2] > 1) add("maxcpu=" + (value.empty() ? std::string("default") : value));
    }
    if (!sweeps.memory_max_mb.empty()) {
      v.memory_max_mb = sweeps.memory_max_mb[index[3]];
      if (sizes[3] > 1) add("memory-max=" + std::to_string(*v.memory_max_mb));
    }
    if (!sweeps.prefetch.empty()) {
      v.prefetch = sweeps.prefetch[index[4]];
      if (sizes[4] > 1) add("prefetch=" + std::to_string(*v.prefetch));
    }
    for (size_t i = 0; i < sweeps.vars.size(); ++i) {
      const auto& [name, values] = sweeps.vars[i];
      v.vars.emplace_back(name, values[index[5 + i]]);
      if (values.size() > 1) add(name + "=" + values[index[5 + i]]);
    }
    v.label = label.empty() ? script_names[index[0]] : label;
    variants->push_back(std::move(v));
  }

  if (!labels.empty()) {
    for (size_t i = 0; i < labels.size(); ++i) (*variants)[i].label = labels[i];
    return true;
  }
  std::map<std::string, int> uses;
  for (const Variant& v : *variants) ++uses[v.label];
  for (size_t i = 0; i < variants->size(); ++i) {
    Variant& v = (*variants)[i];
    if (uses[v.label] > 1) v.label += " #" + std::to_string(i + 1);
  }
  return true;
}

}  // namespace compare
