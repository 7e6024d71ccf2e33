// The --json document: everything a run measured, described in
// docs/compare-json.md. Readers check "schema" first.
#pragma once

#include <string>

#include "compare/compare_result.h"

namespace compare {

// Raised whenever a field changes meaning or goes away; new fields alone
// keep the number.
inline constexpr int kJsonSchema = 1;

std::string ResultJson(const CompareResult& result);

}  // namespace compare
