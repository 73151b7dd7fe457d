#include <windows.h>

#include "dll_search.h"
#include "launch.h"
#include "logger.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystemFolder();
  try {
    return RunLauncher(instance);
  } catch (...) {
    CLogger::Instance()->Write(LogLevel::Error, L"Unexpected error ocurred in self extractor, Exiting");
    return 0;
  }
}
