// run_sandboxed ROOT EXE: runs EXE with APPDATA, TEMP and TMP in a fresh
// folder tree at ROOT (ROOT\appdata, ROOT\temp), waits for it and prints its
// exit code. Wine would otherwise hand the program its own folders.
#include <windows.h>

#include <cstdio>

#include "sandbox.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: run_sandboxed ROOT EXE\n");
    return 2;
  }
  Sandbox sandbox = Sandbox::AtPath(argv[1]);
  const std::optional<DWORD> code = sandbox.Run(argv[2], 10 * 60 * 1000);
  if (!code) {
    std::fwprintf(stderr, L"%ls did not start or did not end in time\n", argv[2]);
    return 2;
  }
  std::wprintf(L"exit code %lu\n", static_cast<unsigned long>(*code));
  return 0;
}
