#include "platform/machine_facts.h"

#include <windows.h>

#include <cmath>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

std::string ProcessorName() {
  wchar_t name[256];
  DWORD size = sizeof name;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                   L"ProcessorNameString", RRF_RT_REG_SZ, nullptr, name, &size) != ERROR_SUCCESS)
    return {};
  std::string text = win32::Narrow(name);
  // Some processors pad their name with blanks.
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

// The true version: GetVersionEx answers what the program's manifest claims
// to know of, RtlGetVersion what runs.
std::string SystemVersion() {
  using GetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return {};
  const auto get_version =
      reinterpret_cast<GetVersionFunction>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (get_version == nullptr || get_version(&version) != 0) return {};
  return "Windows " + std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + "." +
         std::to_string(version.dwBuildNumber);
}

}  // namespace

MachineFacts ReadMachineFacts() {
  MachineFacts facts;
  facts.processor = ProcessorName();
  facts.cores = static_cast<int>(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
  facts.os = SystemVersion();
  return facts;
}

double LoadAverage1() { return std::nan(""); }

}  // namespace platform
