// The exported entry points, shaped by the variant being built (one of the
// FS_VARIANT_* definitions).
#include "c_interface.h"
#include "environment.h"
#include "exported.h"
#include "variant.h"

namespace {
#if defined(FS_VARIANT_STANDARD)
constexpr VariantInfo kVariant{7, "Reference Frame Server 1.0.0 (x86_64)", true, false};
#elif defined(FS_VARIANT_CLASSIC)
constexpr VariantInfo kVariant{6, "Reference Frame Server 2.6.0 MT (x86_64)", false, true};
#elif defined(FS_VARIANT_V5)
constexpr VariantInfo kVariant{5, "Reference Frame Server 2.6.0 beta (x86_64)", false, false};
#elif defined(FS_VARIANT_PLAIN)
constexpr VariantInfo kVariant{7, nullptr, false, false};
#elif defined(FS_VARIANT_OLD)
constexpr VariantInfo kVariant{3, "Reference Frame Server 2.5.8 (x86_64)", false, false};
#elif defined(FS_VARIANT_NOFACTORY) || defined(FS_VARIANT_NULLENV)
constexpr VariantInfo kVariant{7, nullptr, false, false};
#else
#error "no frame server variant selected"
#endif
}  // namespace

const VariantInfo& CurrentVariant() { return kVariant; }

#if !defined(FS_VARIANT_NOFACTORY)
namespace {
IScriptEnvironment* NewEnvironment(int version) {
#if defined(FS_VARIANT_NULLENV)
  (void)version;
  return nullptr;
#else
  if (version > kVariant.max_version) return nullptr;
  try {
    return new ScriptEnvironment();
  } catch (...) {
    return nullptr;  // nothing may escape a C entry point
  }
#endif
}
}  // namespace

FS_EXPORT IScriptEnvironment* CreateScriptEnvironment(int version) { return NewEnvironment(version); }

// Null when the version is refused, as the C++ factory does; a handle
// without an environment would only fail at the next call.
FS_EXPORT AVS_ScriptEnvironment* avs_create_script_environment(int version) {
  return WrapEnvironment(NewEnvironment(version));
}
#endif

#if !defined(FS_VARIANT_OLD)
// A variable holding the table's address, as hosts expect to dereference.
FS_EXPORT const AVS_Linkage* const AVS_linkage = &g_frame_server_linkage;
#endif
