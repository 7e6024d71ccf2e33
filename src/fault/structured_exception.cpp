#include "fault/structured_exception.h"

#include <cstdio>
#include <iterator>

namespace fault {

namespace {

struct CodeName {
  uint32_t code;
  const char* name;
};

// Sorted by code. The delay-load codes keep the loader's own wording.
constexpr CodeName kCodeNames[] = {
    {0x80000001u, "STATUS_GUARD_PAGE_VIOLATION"},
    {0x80000002u, "STATUS_DATATYPE_MISALIGNMENT"},
    {0x80000003u, "STATUS_BREAKPOINT"},
    {0x80000004u, "STATUS_SINGLE_STEP"},
    {0xC0000005u, "STATUS_ACCESS_VIOLATION"},
    {0xC0000006u, "STATUS_IN_PAGE_ERROR"},
    {0xC0000008u, "STATUS_INVALID_HANDLE"},
    {0xC0000017u, "STATUS_NO_MEMORY"},
    {0xC000001Du, "STATUS_ILLEGAL_INSTRUCTION"},
    {0xC0000025u, "STATUS_NONCONTINUABLE_EXCEPTION"},
    {0xC0000026u, "STATUS_INVALID_DISPOSITION"},
    {0xC000008Cu, "STATUS_ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008Du, "STATUS_FLOAT_DENORMAL_OPERAND"},
    {0xC000008Eu, "STATUS_FLOAT_DIVIDE_BY_ZERO"},
    {0xC000008Fu, "STATUS_FLOAT_INEXACT_RESULT"},
    {0xC0000090u, "STATUS_FLOAT_INVALID_OPERATION"},
    {0xC0000091u, "STATUS_FLOAT_OVERFLOW"},
    {0xC0000092u, "STATUS_FLOAT_STACK_CHECK"},
    {0xC0000093u, "STATUS_FLOAT_UNDERFLOW"},
    {0xC0000094u, "STATUS_INTEGER_DIVIDE_BY_ZERO"},
    {0xC0000095u, "STATUS_INTEGER_OVERFLOW"},
    {0xC0000096u, "STATUS_PRIVILEGED_INSTRUCTION"},
    {0xC00000FDu, "STATUS_STACK_OVERFLOW"},
    {0xC0000135u, "STATUS_DLL_NOT_FOUND"},
    {0xC0000142u, "STATUS_DLL_INIT_FAILED"},
    {0xC06D007Eu, "Delay-load module not found"},
    {0xC06D007Fu, "Delay-load procedure not found"},
};

const char* CodeName(uint32_t code) {
  for (const auto& entry : kCodeNames) {
    if (entry.code == code) return entry.name;
  }
  return "Unknown system exception";
}

}  // namespace

void TranslateStructuredException(uint32_t code, void* /*record*/) {
  throw StructuredException(code);
}

std::string FormatStructuredException(uint32_t code) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "Exception 0x%08X\n%s", code, CodeName(code));
  return buffer;
}

}  // namespace fault
