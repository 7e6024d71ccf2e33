// Delivers a Ctrl+C to a program the way a console does, for the Wine tests.
// Usage: ctrl_event.exe TEXT ERROR_FILE PROGRAM [ARGS...]
// Runs PROGRAM on this console with its standard error going to ERROR_FILE;
// once that file holds TEXT, generates Ctrl+C on the console (ignored here),
// waits for PROGRAM and prints "exit 0x" and its exit code in hex.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

static std::string FileText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: ctrl_event TEXT ERROR_FILE PROGRAM [ARGS...]\n");
    return 2;
  }
  // Ctrl+C needs a console the program shares.
  if (GetConsoleWindow() == nullptr) AllocConsole();
  std::string line;
  for (int i = 3; i < argc; ++i) line += std::string(i > 3 ? " " : "") + "\"" + argv[i] + "\"";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE error = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = error;
  PROCESS_INFORMATION started{};
  if (error == INVALID_HANDLE_VALUE ||
      !CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
    std::fprintf(stderr, "cannot start %s\n", argv[3]);
    return 2;
  }
  // Set after the start: the program would inherit it.
  SetConsoleCtrlHandler(nullptr, TRUE);
  for (int waited = 0; FileText(argv[2]).find(argv[1]) == std::string::npos; waited += 50) {
    if (waited > 60000 || WaitForSingleObject(started.hProcess, 50) == WAIT_OBJECT_0) {
      std::printf("\"%s\" never shown\n", argv[1]);
      return 1;
    }
  }
  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    std::printf("GenerateConsoleCtrlEvent failed: %lu\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(started.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(started.hProcess, &code);
  std::printf("exit 0x%08lX\n", code);
  return 0;
}
