#include <windows.h>

#include "logger.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t tempFolder[260] = {};
  GetTempPathW(260, tempFolder);
  CLogger::Instance()->SetLogPath(std::wstring(tempFolder) + L"SelfExtractor.log");
  return 0;
}
