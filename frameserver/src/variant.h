// What differs between the builds of the frame server; each variant's
// entry file defines CurrentVariant().
#pragma once

struct VariantInfo {
  int max_version;             // highest interface version accepted
  const char* version_string;  // null: no VersionString function
  bool prefetch;               // Prefetch exists
  bool classic_mt;             // SetMTMode, GetMTMode, Distributor exist
};

const VariantInfo& CurrentVariant();
